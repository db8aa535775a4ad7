#include "CHyperLink.h"

#include "platform/shell/CShell.h"
#include "res/CStringTable.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QTimerEvent>
#include <QUrl>

namespace vidlume {

namespace {

    constexpr int kHoverPollMs = 100;

    // Absolute paths are local files; anything else is read the way a user would type it.
    QUrl ToUrl(const QString& address)
    {
        const QString trimmed = address.trimmed();
        if (trimmed.isEmpty())
            return {};
        if (QFileInfo(trimmed).isAbsolute())
            return QUrl::fromLocalFile(trimmed);
        return QUrl::fromUserInput(trimmed);
    }

    struct BrowserCommand {
        QString program;
        QStringList arguments;
    };

    // $BROWSER first (a colon-separated list of commands, "%s" standing for the address), then
    // the usual system-wide choices. Every one is run with an argument list, never a shell.
    QList<BrowserCommand> BrowserCommands(const QString& target)
    {
        QList<BrowserCommand> commands;
        const QStringList preferred = qEnvironmentVariable("BROWSER").split(QLatin1Char(':'), Qt::SkipEmptyParts);
        for (const QString& entry : preferred) {
            QStringList words = QProcess::splitCommand(entry);
            if (words.isEmpty())
                continue;
            const QString program = words.takeFirst();
            bool placed = false;
            for (QString& word : words) {
                if (word.contains(QLatin1String("%s"))) {
                    word.replace(QLatin1String("%s"), target);
                    placed = true;
                }
            }
            if (!placed)
                words.append(target);
            commands.append({ program, words });
        }
        for (const char* name : { "x-www-browser", "sensible-browser", "xdg-open" })
            commands.append({ QString::fromLatin1(name), { target } });
        return commands;
    }

} // namespace

CHyperLink::CHyperLink(QWidget* parent) : QLabel(parent)
{
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CHyperLink::SetURL(const QString& address)
{
    m_url = address;
    ApplyDefaults();
}

QString CHyperLink::GetURL() const
{
    return m_url.isEmpty() ? text() : m_url;
}

void CHyperLink::SetUnderline(Underline mode)
{
    m_underline = mode;
    update();
}

void CHyperLink::SetAutoSize(bool on)
{
    m_autoSize = on;
    setSizePolicy(on ? QSizePolicy::Fixed : QSizePolicy::Preferred, on ? QSizePolicy::Fixed : QSizePolicy::Preferred);
    ApplyDefaults();
}

void CHyperLink::ApplyDefaults()
{
    if (text().isEmpty() && !m_url.isEmpty())
        setText(m_url);
    if (m_url.isEmpty())
        m_url = text();
    setToolTip(m_url);
    // Inside a layout the fixed size policy does the same.
    if (m_autoSize && !(parentWidget() && parentWidget()->layout()))
        adjustSize();
}

void CHyperLink::showEvent(QShowEvent* event)
{
    ApplyDefaults();
    QLabel::showEvent(event);
}

void CHyperLink::hideEvent(QHideEvent* event)
{
    EndHover();
    QLabel::hideEvent(event);
}

void CHyperLink::paintEvent(QPaintEvent*)
{
    QPainter dc(this);
    drawFrame(&dc);
    QFont shown = font();
    shown.setUnderline(m_underline == Underline::Always || (m_underline == Underline::Hover && m_hover));
    dc.setFont(shown);
    dc.setPen(m_hover ? kHoverColour : m_visited ? kVisitedColour : kLinkColour);
    const int wrap = wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
    dc.drawText(contentsRect(), int(alignment()) | wrap, text());
}

void CHyperLink::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_hover) {
        m_hover = true;
        update();
        // Leave events are not reliable when the cursor moves fast onto another window, so the
        // cursor is watched until it has gone.
        m_hoverTimer.start(kHoverPollMs, this);
    }
    QLabel::mouseMoveEvent(event);
}

void CHyperLink::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_hoverTimer.timerId()) {
        QLabel::timerEvent(event);
        return;
    }
    if (!rect().contains(mapFromGlobal(QCursor::pos())))
        EndHover();
}

void CHyperLink::EndHover()
{
    m_hoverTimer.stop();
    if (m_hover) {
        m_hover = false;
        update();
    }
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Open();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CHyperLink::Open()
{
    const int result = OpenAddress(GetURL());
    if (result > 32) {
        m_visited = true;
        update();
        return;
    }
    QApplication::beep();
    // The box's owner may go away while it is up (the dialog closed behind it), so it is
    // watched rather than owned by this frame.
    QPointer<QMessageBox> box = new QMessageBox(QMessageBox::Warning, CStringTable::AppName(),
        QStringLiteral("Unable to open hyperlink:\n\n") + FailureReason(result), QMessageBox::Ok, window());
    box->exec();
    delete box.data();
}

int CHyperLink::OpenAddress(const QString& address)
{
    const QUrl url = ToUrl(address);
    if (url.isEmpty() || !url.isValid())
        return kFileNotFound;
    // A local file is checked here: the desktop's handler runs detached and would report a
    // missing file only in a window of its own, if at all.
    if (url.isLocalFile()) {
        const QFileInfo file(url.toLocalFile());
        if (!file.exists())
            return QFileInfo(file.absolutePath()).isDir() ? kFileNotFound : kPathNotFound;
    }
    if (CShell::OpenDocument(address))
        return kOpened;

    int result = kNoAssociation;
    for (const BrowserCommand& command : BrowserCommands(url.toString(QUrl::FullyEncoded))) {
        if (CShell::FindProgram(command.program).isEmpty())
            continue;
        if (CShell::StartProgram(command.program, command.arguments))
            return kOpened;
        // Found and executable, yet it would not start.
        result = kAccessDenied;
    }
    return result;
}

QString CHyperLink::FailureReason(int result)
{
    switch (result) {
    case 0:
        return QStringLiteral("The operating system is out\nof memory or resources.");
    case 2:
        return QStringLiteral("The specified file was not found.");
    case 3:
        return QStringLiteral("The specified path was not found.");
    case 5:
        return QStringLiteral("The operating system denied\naccess to the specified file.");
    case 8:
        return QStringLiteral("There was not enough memory to complete the operation.");
    case 11:
        return QStringLiteral("The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    case 26:
        return QStringLiteral("A sharing violation occurred. ");
    case 27:
        return QStringLiteral("The filename association is\nincomplete or invalid.");
    case 28:
        return QStringLiteral("The DDE transaction could not\nbe completed because the request timed out.");
    case 29:
        return QStringLiteral("The DDE transaction failed.");
    case 30:
        return QStringLiteral("The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.");
    case 31:
        return QStringLiteral("There is no application associated\nwith the given filename extension.");
    case 32:
        return QStringLiteral("The specified dynamic-link library was not found.");
    default:
        return QStringLiteral("Unknown Error (%1) occurred.").arg(result);
    }
}

} // namespace vidlume
