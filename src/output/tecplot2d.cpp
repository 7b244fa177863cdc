// A plan view of one block as a Tecplot ASCII file with one ordered zone
// (F=POINT): the plan points with their boundary ring, each with its
// coordinates, the horizontal velocity of the cell level P 3 and the G 24
// variables at each entry's own level.
#include <algorithm>
#include <string>

#include "state/log.h"
#include "state/outfile.h"
#include "state/numbered.h"
#include "output/output.h"
#include "output/plotfile.h"
#include "output/plotpoints.h"
#include "output/variables.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

std::string tecplot2dName(int blockNo) {
  char text[80];
  if (blockNo > 0) {
    if (numberedOutput()) {
      std::snprintf(text, sizeof text, "tec2_n%d_", blockNo);
      return findFreeFileName(text, 5, ".dat");
    }
    if (FlagMPI > 0)
      std::snprintf(text, sizeof text, "tecplot2_n%d.mpi%d.dat", blockNo, FlagMPI);
    else
      std::snprintf(text, sizeof text, "tecplot2_n%d.dat", blockNo);
    return text;
  }
  if (numberedOutput()) {
    if (FlagMPI > 0) {
      std::snprintf(text, sizeof text, "tec2.mpi%d.", FlagMPI);
      return findFreeFileName(text, 5, ".dat");
    }
    return findFreeFileName("tec2_", 5, ".dat");
  }
  if (FlagMPI > 0) {
    std::snprintf(text, sizeof text, "tecplot2.mpi%d.dat", FlagMPI);
    return text;
  }
  return "tecplot2.dat";
}

// F 268 of 2 or more shows that block when it holds cells; else block 1.
int shownBlock() {
  const int b = FlagViewNested;
  if (b < 2 || b > 99 || b > NoBlocks) return 1;
  return block[b].lastCell < 2 ? 1 : b;
}

// A double quote would end the quoted TITLE string early: it is left out.
std::string withoutQuotes(const std::string& text) {
  std::string out;
  for (char ch : text)
    if (ch != '"') out += ch;
  return out;
}

double cellField(const double* a, int c) { return (a && c > 0 && c < MaxCeller) ? a[c] : 0.0; }

}  // namespace

void print_tecplot2d(int, int blockNo) {
  const std::string name = tecplot2dName(blockNo);
  FILE* f = openOutputOrEnd(name);
  FiniteValues finite;

  const int entries = std::clamp(TecStrucNo, 0, 300);
  std::fprintf(f, "TITLE = %cPLAN-%d_%s %s%c\n", '"', ynode, withoutQuotes(plotTitle(false)).c_str(),
               withoutQuotes(mc_v1).c_str(), '"');
  std::fprintf(f, "VARIABLES=%cX1%c,%cX2%c,%cX3%c,%cUx%c,%cUy%c", '"', '"', '"', '"', '"', '"', '"', '"', '"', '"');
  for (int e = 0; e < entries; ++e) {
    const TecVariable& v = TecStruc[e];
    std::fprintf(f, ",%c%s%c", '"', variableName(v, PlotFile::TecplotPlan, entryLayer(v, PlotFile::TecplotPlan)).c_str(),
                 '"');
  }
  std::fprintf(f, "\n");

  // The zone holds every point of the plan grid, whatever the block's window.
  PlanGrid grid;
  if (!makePlanGrid(shownBlock(), grid))
    logf("Warning: block %d has no columns inside the block grid; the plan file '%s' is empty\n", shownBlock(),
         name.c_str());
  std::fprintf(f, "ZONE I=%d,J=%d,F=POINT\n", grid.nx, grid.ny);
  std::fprintf(f, "SOLUTIONTIME=%lf\n", finite(stimet));

  for (const PlanPoint& p : grid.points) {
    const int c = columnCell(p.ci, p.cj, znode);
    double z;
    if (znode == znumber + 1)
      z = planMean('v', p);
    else if (znode == 1 || c == 0)
      z = planMean('z', p);
    else
      z = Czcenter[c];
    std::fprintf(f, "%lf %lf %lf %lf %lf", finite(p.x), finite(p.y), finite(z), finite(cellField(Cxvel, c)),
                 finite(cellField(Cyvel, c)));
    for (int e = 0; e < entries; ++e) {
      const TecVariable& v = TecStruc[e];
      double value;
      if (isGridLineLetter(v.letter)) {
        value = planMean(v.letter, p);
      } else {
        const int layer = entryLayer(v, PlotFile::TecplotPlan);
        if (v.letter != 'o' && v.letter != 'm') {
          lnodem = v.size;
          bnodem = layer;
        }
        value = cellValue(v, columnCell(p.ci, p.cj, v.level), layer, PlotFile::TecplotPlan);
      }
      std::fprintf(f, " %le", finite(value));
    }
    std::fprintf(f, "\n");
  }
  closeOutput(f);
  finite.report(name);
}
