#pragma once
// The application: prepares the process (settings, components, decoder preferences), then either
// transfers the files of the command line to the named target with only the task list on screen,
// or runs the main window. Also the application's error reporting and the companion editor.

#include "ui/ErrorReporting.h"

#include <QString>
#include <QStringList>

#include <memory>

class QApplication;

namespace vidlume {

class CQuillmoorDoc;

class CQuillmoorApp final : public IErrorSink {
public:
    CQuillmoorApp();
    ~CQuillmoorApp() override;

    // Start-up in order; returns the process's exit status. In the command-line transfer it is 0
    // only when every file was converted.
    int Run(QApplication& app, const QStringList& arguments);

    // IErrorSink: message boxes and the error window, or standard error without a screen.
    void ShowError(const QString& text, bool messageBox) override;
    void ShowMissingComponent(const QString& text, const QString& downloadAddress) override;

    static void ReportTransferError();

    // Starts the companion video editor with the file (or none); waits a bounded time for it.
    static bool LaunchCompanionEditor(const QString& path);
    // The manual beside the program: base name + ".chm" or ".pdf".
    static bool OpenHelp();

    // Decoder preferences for the graph's intelligent connect, in the order they are given.
    static void RegisterDecoderPreferences();
    // Keeps the outside decoder's settings from listing this program.
    static void ExcludeFromOutsideDecoder(const QString& executableName);

    // The update-check setting.
    bool m_updateCheck = true;

private:
    bool m_headless = false;
};

} // namespace vidlume
