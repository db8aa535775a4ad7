#pragma once
// A flat push button drawn on the skin: a picture from the bitmap resources centred above a
// one-line text, the skin behind it while up and a plain colour while held down.

#include <QAbstractButton>
#include <QColor>

namespace vidlume {

class CEraseHandler;

class CFlatButton : public QAbstractButton {
    Q_OBJECT
public:
    // No picture; the palette's window, highlight, window-text and highlighted-text colours.
    explicit CFlatButton(QWidget* parent = nullptr);

    // The bitmap resource shown on the button, read again at every paint; 0 for none.
    void SetIcon(unsigned bitmapId);
    unsigned GetIcon() const { return m_icon; }
    void SetColors(QColor normalBack, QColor pressedBack, QColor normalText, QColor pressedText);
    // The skin painter behind the button while it is up, not owned; null fills the normal
    // background colour instead. The painter must outlive the button or be reset first.
    void SetEraseHandler(CEraseHandler* painter);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    unsigned m_icon = 0;
    QColor m_normalBack;
    QColor m_pressedBack;
    QColor m_normalText;
    QColor m_pressedText;
    CEraseHandler* m_painter = nullptr;
};

} // namespace vidlume
