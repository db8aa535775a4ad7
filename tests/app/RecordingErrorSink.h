#pragma once
// Keeps what the program would have shown as errors, for the tests to look at.

#include "ui/ErrorReporting.h"

#include <QStringList>

namespace vidlume::test {

class CRecordingErrorSink final : public IErrorSink {
public:
    void ShowError(const QString& text, bool) override { errors << text; }
    void ShowMissingComponent(const QString& text, const QString&) override { errors << text; }
    QStringList errors;
};

} // namespace vidlume::test
