#pragma once
// Where error texts go. The application installs the window that shows them (a message box or the
// error window); without one - and always in the command-line transfer - they go to standard error.
// Every text has "§APPNAME§" replaced before it is shown. User-interface thread only.

#include <QString>

namespace vidlume {

class IErrorSink {
public:
    virtual ~IErrorSink() = default;
    // messageBox: a modal box with the error icon; otherwise the modeless error window.
    virtual void ShowError(const QString& text, bool messageBox) = 0;
    // A component a format needs is missing: the text and where to get it.
    virtual void ShowMissingComponent(const QString& text, const QString& downloadAddress) = 0;
};

// Not owned; null restores standard error.
void SetErrorSink(IErrorSink* sink);
void ShowError(const QString& text, bool messageBox);
void ShowMissingComponent(const QString& text, const QString& downloadAddress);
// Also write every error text to standard error, whatever the sink (for scripted use).
void SetErrorEcho(bool echo);

} // namespace vidlume
