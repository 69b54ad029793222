// The kept results: the history file read once at the start, this session's
// results appended to it one line each as they are confirmed, and both held
// in memory for the numbers.
//
// Safety of the file: each result is one line appended in one write and
// flushed, so a process killed meanwhile loses at most that line. Reading
// skips a line that does not parse (a torn last line above all) and says so,
// and never gives up the rest. A file whose first line is not this program's
// header belongs to someone else: it is read no further and never written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "common/result.h"
#include "history/race_record.h"
#include "history/statistics.h"

namespace kestro {

// The history file beside the settings file `iniPath`: "kestro.ini" keeps its
// results in "kestro-history.csv".
std::string HistoryFileFor(const std::string& iniPath);

// What reading a history file found, for the log and the user (UTF-8 texts).
struct HistoryLoad {
    std::vector<RaceRecord> records;
    // Lines skipped, each said once: "<path>: line N ...".
    std::vector<std::string> notes;
    // Not empty when the file must not be written: it is not ours, or it could
    // not be read. The user is told this text.
    std::string refusal;
    bool endsWithLineEnd = true;  // false: a torn last line stays in the file
    bool empty = true;            // no bytes at all (or no file)
};

// Parses the bytes of a history file named `path` (the name is for the notes).
HistoryLoad ParseHistoryFile(const std::string& path, std::string_view bytes);

class RaceHistory {
public:
    // Reads the file at `path`; with `writable` false (or an empty path) this
    // session's results are kept in memory only.
    HistoryLoad Open(const std::string& path, bool writable);

    // Whether confirmed results are written to the file (the user's switch).
    void SetKeeping(bool keeping) { keeping_ = keeping; }
    bool Keeping() const { return keeping_; }

    // One confirmed result: counted for tonight, and appended to the file when
    // keeping is on, the file may be written, and the file does not hold this
    // result already (a recording replayed twice). A failure's reason is what
    // the system refused, or the refusal of a file that is not ours.
    Result Add(const RaceRecord& record);

    const std::string& Path() const { return path_; }
    // Where writing stopped for good (a file that is not ours), or empty.
    const std::string& Refusal() const { return refusal_; }
    const std::vector<RaceRecord>& Earlier() const { return earlier_; }
    const std::vector<RaceRecord>& Tonight() const { return tonight_; }

    // Tonight and all time; a result the file held already (a recording
    // replayed again) counts for tonight but not twice for all time.
    HistorySummary Summary(std::size_t latestCount) const;

private:
    static int64_t KeyOf(const RaceRecord& record);

    std::string path_;
    bool writable_ = false;
    bool keeping_ = true;
    std::string refusal_;
    Result refused_;  // what Add answers while refusal_ is set
    bool needsHeader_ = true;
    bool needsLineEnd_ = false;
    std::vector<RaceRecord> earlier_;
    std::vector<RaceRecord> tonight_;
    std::vector<RaceRecord> tonightNew_;  // tonight's results the file did not hold
    std::unordered_set<int64_t> kept_;
};

// The message for the user about a history file that cannot be written.
std::string CannotWriteHistoryMessage(const std::string& path);

}  // namespace kestro
