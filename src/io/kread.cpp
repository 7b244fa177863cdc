#include "io/kread.h"

#include <cstdio>
#include <cstring>

#include "io/dataset.h"
#include "state/log.h"
#include "io/sidefiles.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// How a letter reads its number(s) and which numbers it refuses outright.
// Returns false when the letter is to be skipped (no readable number, or a
// number that the letter passes over without a message).
bool readLetterNumbers(char letter, Scanner& s, int& n1, int& n2) {
  n1 = n2 = 0;
  switch (letter) {
    case 'T': return true;
    case 'N':
    case 'Q':
      if (!s.readInt(n1) || !s.readInt(n2)) return false;
      break;
    default:
      if (!s.readInt(n1)) return false;
      break;
  }
  // " %d ": these letters also skip the white space after their number.
  if (letter == 'H' || letter == 'K' || letter == 'P' || letter == 'W') s.skipSpace();

  switch (letter) {
    case 'H':
      return n1 >= 0 && n1 <= 14;
    case 'I':
      if (n1 < 0 || n1 > lnumber) fatal(1, "Input error for I in control");
      return true;
    case 'M':
      if (n1 < 1 || n1 > 9) fatal(1, "Error for M %d data set\nFirst integer must be between 1 and 9\n", n1);
      return true;
    case 'P':
      if (n1 <= 0) fatal(-1, "Error in boogie file: data set P %d does not exist\n\n", n1);
      return n1 <= 18;
    case 'Q':
      if (n1 < 0 || n1 > 10000 || n2 < 0 || n2 > NoComponents - 1)
        fatal(1, "Input error for Q %d in control\n", n1);
      return true;
    case 'S': {
      // The size tables hold sizes 1..50.
      int top = lnumber + 1 < 50 ? lnumber + 1 : 50;
      if (n1 < 1 || n1 > top) fatal(1, "Input error for S in control: incorrect first integer\n");
      return true;
    }
    default:
      return true;
  }
}

bool isDataSetLetter(int c) {
  switch (c) {
    case 'F': case 'G': case 'H': case 'I': case 'K': case 'L': case 'M':
    case 'N': case 'P': case 'Q': case 'S': case 'T': case 'W':
      return true;
    default:
      return false;
  }
}

void readDataSet(char letter, Scanner& s) {
  int n1 = 0, n2 = 0;
  // A letter without a readable number, or with a number it passes over,
  // starts nothing; scanning goes on from where the number reading stopped,
  // so free text is never read as values.
  if (!readLetterNumbers(letter, s, n1, n2)) return;
  const DataSet* row = findDataSet(letter, n1);
  if (!row) return;
  DataSetRead ctx{s, *row, n1, n2, 0};
  if (row->reader)
    row->reader(ctx);
  else
    readValues(s, *row, ctx);
  if (row->after) row->after(ctx);
}

}  // namespace

void readControlFirstPass(Scanner& s) {
  int turns = kFirstPassTurns;
  bLetterPositions.clear();
  for (;;) {
    int c = s.get();
    if (c < 0) return;
    if (isDataSetLetter(c)) readDataSet(static_cast<char>(c), s);
    // B data sets are read in the second pass, at the B letters met here.
    else if (c == 'B') bLetterPositions.push_back(s.position());
    if (--turns == 0) {
      // Data sets beyond the limit would be dropped, and the run would do
      // something else than the file says: it ends, naming the limit.
      Scanner rest = s;
      for (int d; (d = rest.get()) >= 0;)
        if (isDataSetLetter(d) || d == 'B') {
          logf("Error: the control file is longer than the reader's limit of %d characters; the data sets after "
               "line %d are not read. Shorten the comments or the title\n",
               kFirstPassTurns, s.lineOf(s.position()));
          logRecordPlace(s, s.position(), "control");
          setMessage("Error: control file longer than the reader's limit");
          fatal(2, nullptr);
        }
      return;
    }
  }
}

void setControlDefaults() {
  setRunStateInitial();
  applyDataSetDefaults();
  // Tables that only the side files and the second pass fill start empty.
  std::memset(inspace, 0, sizeof inspace);
  std::memset(Bdatasets, 0, sizeof Bdatasets);
}

void kread() {
  logTruncate();
  Scanner s;
  if (!s.open("control")) {
    logf("Error, cannot open file 'control'\n");
    setMessage("cannot open file 'control' ");
    endProcess(-4);
  }
  setControlDefaults();
  setProgram(" In kread                ");
  setMessage(" Reading data file       ");
  logf("TOVAK 2.618 output file. 11. November 2024.\n");
  logf("In kread \n\n");
  readControlFirstPass(s);
  kreadAfterFirstPass();
}
