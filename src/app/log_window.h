// The log window: every log line since start, in a memo the user may scroll,
// select and even edit. Closing it only hides it.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QWidget>

#include "shell/log_window.h"

namespace kestro {

class TfrmZKlog : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxLines = kLogWindowMaxLines;

    explicit TfrmZKlog(QWidget* parent = nullptr);

    void AppendLine(const QString& line) { memLog->appendPlainText(line); }
    void Clear() { memLog->clear(); }
    QPlainTextEdit* Memo() const { return memLog; }

private:
    QPlainTextEdit* memLog;
};

}  // namespace kestro
