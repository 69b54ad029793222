#include "history/race_history.h"

#include <optional>
#include <utility>

#include "common/sibling_file.h"
#include "platform/files.h"

namespace kestro {

namespace {

constexpr std::string_view kLineEnd = "\r\n";  // RFC 4180
// A spreadsheet on Windows reads a CSV without it in the ANSI code page.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view TrimLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

}  // namespace

std::string HistoryFileFor(const std::string& iniPath) {
    return FileBesideSettings(iniPath, "-history.csv");
}

std::string CannotWriteHistoryMessage(const std::string& path) {
    return path + " に書き込めません";
}

std::string HistoryWrittenAgainMessage(const std::string& path) {
    return path + " に書き込めるようになり、待っていた結果を書き込みました";
}

int64_t HistoryKey(const RaceRecord& record) {
    return WholeSeconds(record.when) * 2 + (record.kind == kDoubles ? 1 : 0);
}

bool HistoryReader::Feed(std::string_view bytes) {
    if (!bytes.empty()) {
        load_.empty = false;
        load_.endsWithLineEnd = bytes.back() == '\n';
    }
    while (!bytes.empty() && load_.usable) {
        const std::size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        // Past the longest row, the rest of the line is only looked through.
        if (!overlong_ && line_.size() + piece.size() > kLongestHistoryLine) {
            overlong_ = true;
            line_.clear();
        }
        if (!overlong_) {
            line_.append(piece);
        }
        if (end == std::string_view::npos) {
            break;
        }
        bytes.remove_prefix(end + 1);
        TakeLine(line_, false);
        line_.clear();
        overlong_ = false;
    }
    return load_.usable.Succeeded();
}

HistoryLoad HistoryReader::Finish() {
    if (load_.usable && !load_.endsWithLineEnd && !load_.empty) {
        TakeLine(line_, true);
    }
    if (skipped_ > 0) {
        load_.notes.push_back(path_ + ": 読めない行 " + std::to_string(skipped_) + " 行 (最初は " +
                              std::to_string(firstSkipped_) + " 行目) を読み飛ばしました");
    }
    if (load_.duplicates > 0) {
        load_.notes.push_back(path_ + ": 同じ結果の行 " + std::to_string(load_.duplicates) +
                              " 行 (最初は " + std::to_string(firstDuplicate_) +
                              " 行目) を重ねて数えずに読み飛ばしました");
    }
    return std::move(load_);
}

void HistoryReader::TakeLine(std::string_view line, bool last) {
    line = TrimLineEnd(line);
    ++lineNumber_;
    if (lineNumber_ == 1) {
        if (overlong_ || !IsHistoryHeader(line)) {
            load_.usable = Result::Failure(
                path_ + " は Kestro の履歴ファイルではありません (1 行目が見出し " +
                    std::string(kHistoryHeader) + " ではない) ため、読み書きしません",
                "");
            load_.records.clear();
        }
        return;
    }
    if (line.empty() && !overlong_) {
        return;  // left by an append that was cut short before its row
    }
    std::optional<RaceRecord> record;
    if (!overlong_) {
        record = ParseHistoryRow(line);
    }
    if (record) {
        if (keys_.insert(HistoryKey(*record)).second) {
            load_.records.push_back(*record);
        } else if (load_.duplicates++ == 0) {
            firstDuplicate_ = lineNumber_;
        }
    } else if (last) {
        load_.notes.push_back(path_ + ": " + std::to_string(lineNumber_) +
                              " 行目 (最後の行) は途中で切れているため読み飛ばしました");
    } else if (skipped_++ == 0) {
        firstSkipped_ = lineNumber_;
    }
}

HistoryLoad ParseHistoryFile(const std::string& path, std::string_view bytes) {
    HistoryReader reader(path);
    reader.Feed(bytes);
    return reader.Finish();
}

namespace {

// The file at `path` through `file`, opened already, to its end (or to the
// line that shows it is not ours).
Result ReadHistory(platform::LockedFile& file, const std::string& path, HistoryLoad& load) {
    HistoryReader reader(path);
    if (file.IsOpen()) {
        std::string buffer(64 * 1024, '\0');
        for (;;) {
            std::size_t got = 0;
            if (Result read = file.Read(buffer.data(), buffer.size(), got); !read) {
                return read;
            }
            if (got == 0 || !reader.Feed(std::string_view(buffer.data(), got))) {
                break;
            }
        }
    }
    load = reader.Finish();
    return Result();
}

}  // namespace

HistoryLoad RaceHistory::Open(const std::string& path, bool writable) {
    path_ = path;
    writable_ = writable && !path.empty();
    usable_ = Result();
    waiting_.clear();
    earlier_.clear();
    tonight_.clear();
    tonightNew_.clear();
    kept_.clear();
    if (path.empty()) {
        return {};
    }
    HistoryLoad load;
    platform::LockedFile file;
    Result read = file.Open(path, platform::LockedFile::Mode::Read);
    if (read) {
        read = ReadHistory(file, path, load);
    }
    if (!read) {
        // Said now; each append reads the file again, and is refused if it still cannot.
        load = HistoryLoad();
        load.usable = read.Telling(CannotWriteHistoryMessage(path));
    }
    usable_ = load.usable;
    earlier_ = load.records;
    kept_.reserve(earlier_.size());
    for (const RaceRecord& record : earlier_) {
        kept_.insert(HistoryKey(record));
    }
    return load;
}

HistorySummary RaceHistory::Summary(std::size_t latestCount) const {
    HistorySummary summary = Summarize(earlier_, tonightNew_, latestCount);
    summary.tonight = CountResults(tonight_);
    return summary;
}

Result RaceHistory::Add(const RaceRecord& record) {
    tonight_.push_back(record);
    if (!kept_.insert(HistoryKey(record)).second) {
        return Result();  // in the file already
    }
    tonightNew_.push_back(record);
    if (keeping_ && writable_) {
        waiting_.push_back(record);
    }
    return Retry();
}

Result RaceHistory::Retry() {
    if (waiting_.empty()) {
        return Result();
    }
    const std::string refused = CannotWriteHistoryMessage(path_);
    platform::LockedFile file;
    if (Result opened = file.Open(path_, platform::LockedFile::Mode::Append); !opened) {
        return opened.Telling(refused);
    }
    // What the file holds now, under the lock: the rows another process
    // appended meanwhile are not appended again.
    HistoryLoad now;
    if (Result read = ReadHistory(file, path_, now); !read) {
        return read.Telling(refused);
    }
    usable_ = now.usable;
    if (!usable_) {
        return usable_;
    }
    std::unordered_set<int64_t> inFile;
    for (const RaceRecord& held : now.records) {
        inFile.insert(HistoryKey(held));
    }
    std::string bytes;
    if (now.empty) {
        bytes += kByteOrderMark;
        bytes += kHistoryHeader;
        bytes += kLineEnd;
    } else if (!now.endsWithLineEnd) {
        // Ends the last line, torn or saved without one, instead of joining it.
        bytes += kLineEnd;
    }
    for (const RaceRecord& record : waiting_) {
        if (inFile.insert(HistoryKey(record)).second) {
            bytes += FormatHistoryRow(record);
            bytes += kLineEnd;
        }
    }
    // Part of a refused write may have reached the file: the next try reads
    // it back, ends its line, and writes again only what it lacks.
    if (Result appended = file.Append(bytes); !appended) {
        return appended.Telling(refused);
    }
    waiting_.clear();
    return Result();
}

}  // namespace kestro
