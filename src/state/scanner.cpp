#include "state/scanner.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "state/log.h"

Scanner::Scanner(std::string text) : text_(std::move(text)) {}

bool Scanner::open(const char* name) {
  FILE* f = std::fopen(name, "rb");
  if (!f) return false;
  std::string data;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
  bool failed = std::ferror(f) != 0;  // a directory, for instance
  std::fclose(f);
  if (failed) return false;
  text_ = std::move(data);
  pos_ = 0;
  return true;
}

int Scanner::get() {
  if (pos_ >= text_.size()) return -1;
  return static_cast<unsigned char>(text_[pos_++]);
}

int Scanner::peek() const {
  if (pos_ >= text_.size()) return -1;
  return static_cast<unsigned char>(text_[pos_]);
}

static bool isSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
static bool isDigit(int c) { return c >= '0' && c <= '9'; }

void Scanner::skipSpace() {
  while (pos_ < text_.size() && isSpace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
}

void Scanner::skipLine() {
  while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
  if (pos_ < text_.size()) ++pos_;
}

std::string Scanner::readLine() {
  std::size_t start = pos_;
  while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
  std::string line = text_.substr(start, pos_ - start);
  if (pos_ < text_.size()) ++pos_;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

bool Scanner::readInt(int& v) {
  skipSpace();
  std::size_t p = pos_;
  bool neg = false;
  if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) {
    neg = text_[p] == '-';
    ++p;
  }
  if (p >= text_.size() || !isDigit(static_cast<unsigned char>(text_[p]))) return false;
  long long acc = 0;
  while (p < text_.size() && isDigit(static_cast<unsigned char>(text_[p]))) {
    if (acc < (1LL << 40)) acc = acc * 10 + (text_[p] - '0');
    ++p;
  }
  if (neg) acc = -acc;
  // Out-of-range numbers saturate, so that a range check refuses them.
  if (acc > INT_MAX) acc = INT_MAX;
  if (acc < INT_MIN) acc = INT_MIN;
  v = static_cast<int>(acc);
  pos_ = p;
  return true;
}

bool Scanner::readDouble(double& v) {
  skipSpace();
  if (pos_ >= text_.size()) return false;
  const char* start = text_.c_str() + pos_;
  int c = static_cast<unsigned char>(*start);
  // Only decimal numbers: no "inf", "nan" or hexadecimal forms reach a model.
  int c1 = pos_ + 1 < text_.size() ? static_cast<unsigned char>(start[1]) : 0;
  if (!(isDigit(c) || ((c == '+' || c == '-' || c == '.') && (isDigit(c1) || c1 == '.')))) return false;
  if ((c == '0' && (c1 == 'x' || c1 == 'X'))) {
    v = 0.0;
    pos_ += 1;
    return true;
  }
  char* end = nullptr;
  errno = 0;
  double d = std::strtod(start, &end);
  if (end == start) return false;
  if (!std::isfinite(d)) return false;
  v = d;
  pos_ += static_cast<std::size_t>(end - start);
  return true;
}

bool Scanner::readChar(char& c) {
  skipSpace();
  if (pos_ >= text_.size()) return false;
  c = text_[pos_++];
  return true;
}

bool Scanner::readWord(char* buf, std::size_t cap) {
  if (cap == 0) return false;
  skipSpace();
  if (pos_ >= text_.size()) return false;
  std::size_t n = 0;
  while (pos_ < text_.size() && !isSpace(static_cast<unsigned char>(text_[pos_])) && n + 1 < cap) buf[n++] = text_[pos_++];
  buf[n] = 0;
  return true;
}

int Scanner::readInts(int* v, int n) {
  for (int i = 0; i < n; ++i)
    if (!readInt(v[i])) return i;
  return n;
}

int Scanner::readDoubles(double* v, int n) {
  for (int i = 0; i < n; ++i)
    if (!readDouble(v[i])) return i;
  return n;
}

namespace {
// The position that stands for the line of p: the end of a file whose last
// line is closed stands for that last line, not for an empty line after it.
std::size_t lineAnchor(const std::string& text, std::size_t p) {
  if (p > text.size()) p = text.size();
  if (p == text.size() && p > 0 && text[p - 1] == '\n') --p;
  return p;
}
}  // namespace

int Scanner::lineOf(std::size_t p) const {
  p = lineAnchor(text_, p);
  int line = 1;
  for (std::size_t k = 0; k < p; ++k)
    if (text_[k] == '\n') ++line;
  return line;
}

std::string Scanner::lineTextOf(std::size_t p) const {
  p = lineAnchor(text_, p);
  std::size_t a = p;
  while (a > 0 && text_[a - 1] != '\n') --a;
  std::string line;
  for (std::size_t k = a; k < text_.size() && text_[k] != '\n' && line.size() < 100; ++k) {
    const unsigned char c = static_cast<unsigned char>(text_[k]);
    if (c == '\r' && (k + 1 == text_.size() || text_[k + 1] == '\n')) break;
    line += (c >= 32 && c < 127) || c == '\t' ? static_cast<char>(c) : '?';
  }
  return line;
}

void logRecordPlace(const Scanner& s, std::size_t at, const char* file) {
  logf("At line %d of the %s file: %s\n", s.lineOf(at), file, s.lineTextOf(at).c_str());
}

void unreadableRecord(const Scanner& s, std::size_t at, const char* file, const char* what) {
  logf("Error in reading %s file: line %d cannot be read, %s\n", file, s.lineOf(at), what);
  logRecordPlace(s, at, file);
  fatal(2, nullptr);
}

bool lineStartsRecord(const Scanner& s, std::size_t at, bool letter) {
  // Read on a copy from the record's start (only on a failure, so the copy
  // costs nothing in a normal reading).
  Scanner copy = s;
  copy.seek(at);
  copy.skipSpace();
  if (letter) {
    if (copy.atEnd()) return false;
    copy.get();
    while (!copy.atEnd() && (copy.peek() == ' ' || copy.peek() == '\t')) copy.get();
  }
  int c = copy.get();
  if (c == '+' || c == '-') c = copy.get();
  if (c == '.') c = copy.get();
  return c >= '0' && c <= '9';
}

void recordFailed(const Scanner& s, std::size_t at, const char* file, const char* what, bool letter) {
  if (lineStartsRecord(s, at, letter)) unreadableRecord(s, at, file, what);
  logf("Warning: reading of the %s file stopped at line %d, which is not a record; the rest of the file is ignored\n",
       file, s.lineOf(at));
  logRecordPlace(s, at, file);
}

void endOfRecordLine(Scanner& s, std::size_t at, const char* file, const char* what) {
  while (!s.atEnd() && (s.peek() == ' ' || s.peek() == '\t' || s.peek() == '\r')) s.get();
  if (s.atEnd() || s.peek() == '\n') return;
  unreadableRecord(s, at, file, what);
}
