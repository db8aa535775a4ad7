#include "CQuillmoorApp.h"

#include "app/CExCommandLineInfo.h"
#include "app/CMainFrame.h"
#include "app/CQuillmoorDoc.h"
#include "components/ComponentGroups.h"
#include "platform/com/CClassRegistry.h"
#include "platform/graph/GraphInterfaces.h"
#include "platform/settings/CSettingsStore.h"
#include "platform/shell/CShell.h"
#include "res/CStringTable.h"
#include "ui/CErrorDialog.h"
#include "ui/CMissingComponentDlg.h"
#include "ui/CRegistry.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>

#include <cstdio>

namespace vidlume {

namespace {
    constexpr unsigned IDS_TRANSFER_ERROR = 219;
    constexpr unsigned IDS_SEND_FAILED = 280;
    constexpr char kCompanyKey[] = "Norvex";
    constexpr char kCompanionEditor[] = "Trimwell.exe";

    const Guid MPEG2Decoder = CLSID_MPEG2Decoder;
    const Guid MPEG4Decoder = CLSID_MPEG4Decoder;
    const Guid H264Decoder = CLSID_H264Decoder;
} // namespace

CQuillmoorApp::CQuillmoorApp() = default;

CQuillmoorApp::~CQuillmoorApp()
{
    SetErrorSink(nullptr);
}

void CQuillmoorApp::RegisterDecoderPreferences()
{
    ComPtr<IDecoderPreferences> preferences;
    if (FAILED(CoCreateInstance(CLSID_DecoderPreferences, &preferences)))
        return;
    const std::pair<Guid, CLSID> table[] = {
        { MEDIASUBTYPE_MPEG1Video, MPEG2Decoder },
        { MEDIASUBTYPE_MPEG2_VIDEO, MPEG2Decoder },
        { MEDIASUBTYPE_MPEG1Packet, MPEG2Decoder },
        { Guid::FromFourCC("MMES"), MPEG2Decoder },
        { Guid::FromFourCC("dx50"), MPEG4Decoder },
        { Guid::FromFourCC("divx"), MPEG4Decoder },
        { Guid::FromFourCC("DIVX"), MPEG4Decoder },
        { Guid::FromFourCC("xvid"), MPEG4Decoder },
        { Guid::FromFourCC("mp4v"), MPEG4Decoder },
        { Guid::FromFourCC("mp4s"), MPEG4Decoder },
        { Guid::FromFourCC("H263"), MPEG4Decoder },
        { Guid::FromFourCC("H264"), H264Decoder },
        { Guid::FromFourCC("AVC1"), H264Decoder },
        { Guid::FromFourCC("avc1"), H264Decoder },
        { Guid::FromFourCC("VSSH"), H264Decoder },
        { Guid::FromFourCC("H264"), H264Decoder },
        { Guid::FromFourCC("X264"), H264Decoder },
        { MEDIASUBTYPE_AAC, CLSID_AACDecoder },
    };
    for (const auto& [subtype, decoder] : table)
        preferences->SetPreferredDecoder(subtype, decoder);
}

void CQuillmoorApp::ExcludeFromOutsideDecoder(const QString& executableName)
{
    CRegistry key;
    if (key.Open(QStringLiteral("Software\\GNU\\ffdshow"), false) != ERROR_SUCCESS)
        return;
    const QString blacklist = key.ReadString(QStringLiteral("blacklist"), QString());
    if (blacklist.isEmpty() || blacklist.contains(executableName))
        return;
    key.WriteString(QStringLiteral("blacklist"), blacklist + executableName + QLatin1Char(';'));
}

void CQuillmoorApp::ShowError(const QString& text, bool messageBox)
{
    if (m_headless)
        return; // standard error has it already
    if (messageBox)
        QMessageBox::critical(nullptr, CStringTable::AppName(), text);
    else
        new CErrorDialog(text);
}

void CQuillmoorApp::ShowMissingComponent(const QString& text, const QString& downloadAddress)
{
    if (m_headless)
        return;
    CMissingComponentDlg dialog(text, downloadAddress);
    dialog.exec();
}

void CQuillmoorApp::ReportTransferError()
{
    vidlume::ShowError(CStringTable::LoadString(IDS_TRANSFER_ERROR), false);
}

bool CQuillmoorApp::LaunchCompanionEditor(const QString& path)
{
    QStringList arguments;
    if (!path.isEmpty())
        arguments << path;
    qint64 pid = 0;
    return CShell::StartProgram(QString::fromLatin1(kCompanionEditor), arguments, &pid);
}

bool CQuillmoorApp::OpenHelp()
{
    const QString executable = CShell::GetExecutablePath();
    const QString base = executable.left(executable.lastIndexOf(QLatin1Char('.')) > executable.lastIndexOf(QLatin1Char('/'))
            ? executable.lastIndexOf(QLatin1Char('.'))
            : executable.size());
    for (const char* extension : { ".chm", ".pdf" }) {
        const QString manual = base + QLatin1String(extension);
        if (QFileInfo::exists(manual))
            return CShell::OpenDocument(manual);
    }
    return false;
}

int CQuillmoorApp::Run(QApplication&, const QStringList& arguments)
{
    m_headless = QGuiApplication::platformName() == QLatin1String("offscreen");
    SetErrorSink(this);

    CSettingsStore::SetRegistryRoot(QString::fromLatin1(kCompanyKey), CStringTable::AppName());
    RegisterComponents();
    RegisterDecoderPreferences();
    ExcludeFromOutsideDecoder(QFileInfo(CShell::GetExecutablePath()).fileName());

    CExCommandLineInfo commandLine;
    commandLine.Parse(arguments);
    m_updateCheck = CSettingsStore::GetProfileInt(QStringLiteral("General"), QStringLiteral("UpdateCheck"), 1) != 0;

    if (!commandLine.m_sendTo.isEmpty()) {
        // Scripts read what happened on standard error, whatever the screen shows.
        SetErrorEcho(true);
        CQuillmoorDoc document;
        document.SetConsoleReport(true);
        if (!document.SendTo(commandLine.m_sendTo, commandLine.m_files)) {
            vidlume::ShowError(CStringTable::Format(IDS_SEND_FAILED, commandLine.m_sendTo), true);
            return 1;
        }
        const bool allConverted = document.GetFailedCount() == 0 && document.GetSucceededCount() == commandLine.m_files.size();
        return allConverted ? 0 : 1;
    }

    if (m_headless) {
        // An invisible window would wait forever for a user who cannot see it.
        std::fprintf(stderr,
            "%s: the main window needs a display. To convert files without one, name a target:\n"
            "  vidlume -sendto=\"My Computer\" FILE...\n",
            qPrintable(CStringTable::AppName()));
        return 2;
    }
    CQuillmoorDoc document;
    CMainFrame frame(&document);
    frame.show();
    return QApplication::exec();
}

} // namespace vidlume
