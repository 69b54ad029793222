// The log window: every log line since start, in a memo the user may scroll,
// select and even edit. Closing it only hides it.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QWidget>

namespace kestro {

class TfrmZKlog : public QWidget {
    Q_OBJECT
public:
    // The memo keeps this many lines; older ones are dropped so that an hour
    // of packet trace neither exhausts memory nor slows every append.
    static constexpr int kMaxLines = 100000;

    explicit TfrmZKlog(QWidget* parent = nullptr);

    void AppendLine(const QString& line) { memLog->appendPlainText(line); }
    void Clear() { memLog->clear(); }
    QPlainTextEdit* Memo() const { return memLog; }

private:
    QPlainTextEdit* memLog;
};

}  // namespace kestro
