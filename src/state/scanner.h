// Checked formatted reading.
//
// A Scanner holds a whole text file in memory and reads it the way formatted
// input does: readInt is "%d", readDouble "%lf", readChar " %c". Every read
// says whether it converted; a failed conversion consumes only the white space
// before it, so the next read meets the same byte. Readers of model files use
// the `need` forms, which state how many values a record must have, and
// `checkIndex` before an index read from a file is used.
#pragma once

#include <cstddef>
#include <string>

class Scanner {
 public:
  Scanner() = default;
  explicit Scanner(std::string text);

  // Loads a file; false when it cannot be opened.
  bool open(const char* name);

  // The next byte (0..255), or -1 at the end.
  int get();
  int peek() const;
  bool atEnd() const { return pos_ >= text_.size(); }

  // Skips blanks, tabs and line ends (the white space of formatted input).
  void skipSpace();
  // Skips the rest of the current line, its line end included.
  void skipLine();
  // Reads the rest of the line without its line end.
  std::string readLine();

  bool readInt(int& v);
  bool readDouble(double& v);
  bool readChar(char& c);
  // "%<cap-1>s": a word of at most cap-1 bytes, zero-terminated.
  bool readWord(char* buf, std::size_t cap);

  // Reads n integers / doubles; returns how many converted (stops at the first
  // failure, as formatted input does).
  int readInts(int* v, int n);
  int readDoubles(double* v, int n);

  std::size_t position() const { return pos_; }
  void seek(std::size_t p) { pos_ = p < text_.size() ? p : text_.size(); }
  std::size_t size() const { return text_.size(); }

  // Number (from 1) of the line that holds byte p; a position at the end of
  // a file whose last line is closed belongs to that last line.
  int lineOf(std::size_t p) const;
  // Text of that line without its line end, at most 100 bytes, bytes that
  // cannot be shown as '?'.
  std::string lineTextOf(std::size_t p) const;

 private:
  std::string text_;
  std::size_t pos_ = 0;
};

// Where a record of a model file went wrong: appends
// "At line <n> of the <file> file: <text of the line>" to the log. Readers
// that have a message of their own write it first and then this line.
void logRecordPlace(const Scanner& s, std::size_t at, const char* file);

// A record that cannot be read (a missing value, a value that is not a
// number, NaN or infinity): appends
// "Error in reading <file> file: line <n> cannot be read, <what>" and the
// place line, and the run ends with status 2. `at` is the position where the
// record starts.
[[noreturn]] void unreadableRecord(const Scanner& s, std::size_t at, const char* file, const char* what);

// True when lo <= v <= hi.
inline bool inRange(long long v, long long lo, long long hi) { return v >= lo && v <= hi; }

// Model files may end with lines that are no records (a comment, a footer).
// A record that fails where its line begins a record (after the record
// letter, when `letter`, a number) is malformed: the run ends through
// unreadableRecord. A line that begins with anything else ends the records:
// the log gets "Warning: reading of the <file> file stopped at line <n>, which
// is not a record; the rest of the file is ignored" and the place line, and
// the reader stops there (the function returns).
bool lineStartsRecord(const Scanner& s, std::size_t at, bool letter = false);
void recordFailed(const Scanner& s, std::size_t at, const char* file, const char* what, bool letter = false);

// After the values of a line record: the rest of the line must be blank. A
// stray value would shift every record after it, a half number ("1e") would be
// read as less than it says: either ends the run through unreadableRecord.
void endOfRecordLine(Scanner& s, std::size_t at, const char* file, const char* what);
