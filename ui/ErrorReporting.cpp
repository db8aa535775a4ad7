#include "ErrorReporting.h"

#include "res/CStringTable.h"

#include <cstdio>

namespace vidlume {

namespace {
    IErrorSink* g_sink = nullptr;
    bool g_echo = false;
}

void SetErrorSink(IErrorSink* sink)
{
    g_sink = sink;
}

void SetErrorEcho(bool echo)
{
    g_echo = echo;
}

void ShowError(const QString& text, bool messageBox)
{
    const QString shown = CStringTable::ReplaceAppName(text);
    if (!g_sink || g_echo)
        std::fprintf(stderr, "%s\n", qPrintable(shown));
    if (g_sink)
        g_sink->ShowError(shown, messageBox);
}

} // namespace vidlume

namespace vidlume {

void ShowMissingComponent(const QString& text, const QString& downloadAddress)
{
    const QString shown = CStringTable::ReplaceAppName(text);
    if (!g_sink || g_echo)
        std::fprintf(stderr, "%s (%s)\n", qPrintable(shown), qPrintable(downloadAddress));
    if (g_sink)
        g_sink->ShowMissingComponent(shown, downloadAddress);
}

} // namespace vidlume
