// The kept results: the history file read once at the start, this session's
// results appended to it one line each as they are confirmed, and both held
// in memory for the numbers.
//
// Safety of the file: each result is one line appended in one write and
// flushed, so a process killed meanwhile loses at most that line. Reading
// skips a line that does not parse (a torn last line above all) and says so,
// and never gives up the rest. A file whose first line is not this program's
// header belongs to someone else: it is read no further and never written.
//
// Other programs change the file while Kestro runs (a spreadsheet saves it
// again, a user empties it, a second Kestro or a replay appends to it), so it
// is taken as it is at each append: read again under an exclusive lock, given
// its header when absent or empty, a line end first when its last line lacks
// one, and only the rows it does not hold yet. A result the file refuses is
// kept and appended at the next try, never lost and never written twice.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/result.h"
#include "history/race_record.h"
#include "history/statistics.h"

namespace kestro {

// The history file beside the settings file `iniPath`: "kestro.ini" keeps its
// results in "kestro-history.csv".
std::string HistoryFileFor(const std::string& iniPath);

// The longest line read: a row is some 60 bytes. A longer line is skipped
// without being held, however long it is.
inline constexpr std::size_t kLongestHistoryLine = 4096;

// What reading a history file found, for the log and the user (UTF-8 texts).
struct HistoryLoad {
    std::vector<RaceRecord> records;
    // Lines skipped, each said once: "<path>: line N ...".
    std::vector<std::string> notes;
    // A failure when the file must not be written: it is not ours, or it could
    // not be read (then with what the system said).
    Result usable;
    bool endsWithLineEnd = true;  // false: a torn last line stays in the file
    bool empty = true;            // no bytes at all (or no file)
    int duplicates = 0;           // rows of a result read before, dropped
};

// Reads a history file piece by piece, as it comes from the disk: a result
// twice in the file (two processes that once appended it both) counts once.
class HistoryReader {
public:
    explicit HistoryReader(std::string path) : path_(std::move(path)) {}
    // The next bytes of the file; false once the file is known not to be ours
    // (nothing more need be read).
    bool Feed(std::string_view bytes);
    HistoryLoad Finish();

private:
    void TakeLine(std::string_view line, bool last);

    std::string path_;
    HistoryLoad load_;
    std::string line_;
    bool overlong_ = false;
    int lineNumber_ = 0;
    int skipped_ = 0;
    int firstSkipped_ = 0;
    int firstDuplicate_ = 0;
    std::unordered_set<int64_t> keys_;
};

// Parses the bytes of a history file named `path` (the name is for the notes).
HistoryLoad ParseHistoryFile(const std::string& path, std::string_view bytes);

// What tells one result from another: its second and its race (a Singles and
// a Doubles result may fall in one second).
int64_t HistoryKey(const RaceRecord& record);

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
    // result already (a recording replayed twice, another process). A failure's
    // reason is what the system refused, or the refusal of a file that is not
    // ours; the result then waits for the next Add or Retry, with any other
    // that waits.
    Result Add(const RaceRecord& record);
    // Appends the results that wait, if any (a success when none wait).
    Result Retry();
    // How many results wait for the file to take them.
    std::size_t Waiting() const { return waiting_.size(); }

    const std::string& Path() const { return path_; }
    // A failure while the file must not be written: it was not ours, or could
    // not be read, when it was last read.
    const Result& Usable() const { return usable_; }
    const std::vector<RaceRecord>& Earlier() const { return earlier_; }
    const std::vector<RaceRecord>& Tonight() const { return tonight_; }

    // Tonight and all time; a result the file held already (a recording
    // replayed again) counts for tonight but not twice for all time.
    HistorySummary Summary(std::size_t latestCount) const;

private:
    std::string path_;
    bool writable_ = false;
    bool keeping_ = true;
    Result usable_;
    std::vector<RaceRecord> waiting_;  // for the file, oldest first
    std::vector<RaceRecord> earlier_;
    std::vector<RaceRecord> tonight_;
    std::vector<RaceRecord> tonightNew_;  // tonight's results the file did not hold
    std::unordered_set<int64_t> kept_;
};

// The message for the user about a history file that cannot be written, and
// the one when it takes the results that waited.
std::string CannotWriteHistoryMessage(const std::string& path);
std::string HistoryWrittenAgainMessage(const std::string& path);

}  // namespace kestro
