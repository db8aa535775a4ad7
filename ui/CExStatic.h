#pragma once
// A label that sits on the skin: it paints the part of the skin behind it first, so a page's
// labels look like part of the view's surface, then its text with no background of its own.

#include <QLabel>

namespace vidlume {

class CEraseHandler;

class CExStatic : public QLabel {
    Q_OBJECT
public:
    explicit CExStatic(QWidget* parent = nullptr);

    // The skin painter, not owned; null (the default) leaves the background to the parent.
    // The painter must outlive the label or be reset first.
    void SetEraseHandler(CEraseHandler* painter);
    CEraseHandler* GetEraseHandler() const { return m_painter; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CEraseHandler* m_painter = nullptr;
};

} // namespace vidlume
