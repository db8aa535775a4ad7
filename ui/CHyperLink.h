#pragma once
// A label that opens an address when clicked: link colours, underlined while the cursor is
// over it, the address as its tooltip. An address the desktop cannot open is reported in a
// message box with the reason.

#include <QBasicTimer>
#include <QColor>
#include <QLabel>

namespace vidlume {

class CHyperLink : public QLabel {
    Q_OBJECT
public:
    // The codes OpenAddress gives: above kOpened is success, the others name the reason.
    static constexpr int kOpened = 33;
    static constexpr int kFileNotFound = 2;
    static constexpr int kPathNotFound = 3;
    static constexpr int kAccessDenied = 5;
    static constexpr int kNoAssociation = 31;

    enum class Underline { Never, Hover, Always };

    explicit CHyperLink(QWidget* parent = nullptr);

    // The address to open. An empty text shows the address, an empty address opens the text.
    void SetURL(const QString& address);
    QString GetURL() const;
    bool IsVisited() const { return m_visited; }
    bool IsHovered() const { return m_hover; }
    void SetUnderline(Underline mode);
    // On (the default), the control keeps the size of its text so only the text is clickable.
    void SetAutoSize(bool on);

    // Opens the address with the desktop's handler for it, else with a web browser found on
    // the system. Returns kOpened, or a failure code for FailureReason. No message is shown.
    static int OpenAddress(const QString& address);
    // The sentence that explains a failure code of OpenAddress.
    static QString FailureReason(int result);

    static constexpr QColor kLinkColour { 0, 0, 238 };
    static constexpr QColor kVisitedColour { 85, 26, 139 };
    static constexpr QColor kHoverColour { 255, 0, 0 };

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void ApplyDefaults();
    void Open();
    void EndHover();

    QString m_url;
    bool m_hover = false;
    bool m_visited = false;
    Underline m_underline = Underline::Hover;
    bool m_autoSize = true;
    QBasicTimer m_hoverTimer;
};

} // namespace vidlume
