#include "history/race_history.h"

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

HistoryLoad ParseHistoryFile(const std::string& path, std::string_view bytes) {
    HistoryLoad load;
    load.empty = bytes.empty();
    if (bytes.empty()) {
        return load;
    }
    load.endsWithLineEnd = bytes.back() == '\n';
    std::size_t start = 0;
    int lineNumber = 0;
    int skipped = 0;
    int firstSkipped = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find('\n', start);
        const bool last = end == std::string_view::npos;
        const std::string_view line =
            TrimLineEnd(bytes.substr(start, last ? std::string_view::npos : end - start));
        start = last ? bytes.size() : end + 1;
        ++lineNumber;
        if (lineNumber == 1) {
            if (!IsHistoryHeader(line)) {
                load.refusal = path + " は Kestro の履歴ファイルではありません (1 行目が見出し " +
                               std::string(kHistoryHeader) + " ではない) ため、読み書きしません";
                load.records.clear();
                return load;
            }
            continue;
        }
        if (line.empty()) {
            continue;  // left by an append that was cut short before its row
        }
        if (auto record = ParseHistoryRow(line)) {
            load.records.push_back(*record);
        } else if (last && !load.endsWithLineEnd) {
            load.notes.push_back(path + ": " + std::to_string(lineNumber) +
                                 " 行目 (最後の行) は途中で切れているため読み飛ばしました");
        } else if (skipped++ == 0) {
            firstSkipped = lineNumber;
        }
    }
    if (skipped > 0) {
        load.notes.push_back(path + ": 読めない行 " + std::to_string(skipped) + " 行 (最初は " +
                             std::to_string(firstSkipped) + " 行目) を読み飛ばしました");
    }
    return load;
}

int64_t RaceHistory::KeyOf(const RaceRecord& record) {
    return WholeSeconds(record.when) * 2 + (record.kind == kDoubles ? 1 : 0);
}

HistoryLoad RaceHistory::Open(const std::string& path, bool writable) {
    path_ = path;
    writable_ = writable && !path.empty();
    refusal_.clear();
    refused_ = Result();
    earlier_.clear();
    tonight_.clear();
    tonightNew_.clear();
    kept_.clear();
    needsHeader_ = true;
    needsLineEnd_ = false;
    if (path.empty()) {
        return {};
    }
    std::string bytes;
    if (Result read = platform::ReadWholeFile(path, bytes); !read) {
        // Whatever it holds stays as it is: nothing is appended to a file unseen.
        HistoryLoad load;
        refused_ = Result::Failure(CannotWriteHistoryMessage(path), read.Reason());
        load.refusal = refused_.Message() + ": " + refused_.Reason();
        refusal_ = load.refusal;
        return load;
    }
    HistoryLoad load = ParseHistoryFile(path, bytes);
    refusal_ = load.refusal;
    if (!refusal_.empty()) {
        refused_ = Result::Failure(refusal_, "");
    }
    needsHeader_ = load.empty;
    needsLineEnd_ = !load.endsWithLineEnd;
    earlier_ = load.records;
    kept_.reserve(earlier_.size());
    for (const RaceRecord& record : earlier_) {
        kept_.insert(KeyOf(record));
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
    if (!kept_.insert(KeyOf(record)).second) {
        return Result();  // in the file already
    }
    tonightNew_.push_back(record);
    if (!keeping_ || !writable_) {
        return Result();
    }
    if (!refusal_.empty()) {
        return refused_;
    }
    std::string bytes;
    if (needsHeader_) {
        bytes += kByteOrderMark;
        bytes += kHistoryHeader;
        bytes += kLineEnd;
    } else if (needsLineEnd_) {
        // Ends the torn line, which is skipped on reading, instead of joining it.
        bytes += kLineEnd;
    }
    bytes += FormatHistoryRow(record);
    bytes += kLineEnd;
    if (Result appended = platform::AppendToFile(path_, bytes); !appended) {
        // Part of it may have reached the file: the next row starts on a line of its own.
        needsLineEnd_ = !needsHeader_;
        return appended.Telling(CannotWriteHistoryMessage(path_));
    }
    needsHeader_ = false;
    needsLineEnd_ = false;
    return Result();
}

}  // namespace kestro
