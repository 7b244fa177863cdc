#include "io/writecontrol.h"
#include "state/outfile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "state/log.h"
#include "state/scanner.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

// A number as "%lf" writes it, unless six decimals would lose it (a small
// time step, a fine grain diameter): then with every digit it needs.
std::string num(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%lf", v);
  for (int digits = 1; digits <= 17 && std::strtod(buf, nullptr) != v; ++digits)
    std::snprintf(buf, sizeof buf, "%.*g", digits, v);
  return buf;
}

bool outside(double v, double lo, double hi) { return v < lo || v > hi; }

// The characters that a text data set took, up to its stored line end,
// padded with blanks to its full width: read back they give the same
// letters, and no line end or zero byte lands inside the line.
std::string letters(const char* text, int width) {
  std::string s;
  for (int i = 0; i < width; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 32 || c > 126) break;
    s += static_cast<char>(c);
  }
  s.resize(static_cast<std::size_t>(width), ' ');
  return s;
}

// The title without the blanks that end it: kread puts a blank at the line
// end, so that the title read back is the title written.
std::string titleText() {
  std::string t(Title + 1);
  while (!t.empty() && t.back() == ' ') t.pop_back();
  return t;
}

FILE* createOrEnd(const char* name) {
  FILE* f = openWrite(name, "w");
  if (!f) {
    setMessage("cannot open file 'control' ");
    endProcess(-4);
  }
  return f;
}

}  // namespace

void writeControl() {
  FILE* f = createOrEnd("control.new");
  auto put = [f](const std::string& s) { std::fputs(s.c_str(), f); };

  put("T" + titleText() + "\n");
  if (debugging == 'C' || debugging == 'D') std::fprintf(f, "F 1 %c\n", debugging);
  put("F 2" + letters(run, 20) + "        run choice\n");
  if (outside(relax_morph, 0.499, 0.501) || iter_morph != 500 || outside(conv_morph, 0.0099, 0.0101))
    put("F 4 " + num(relax_morph) + " " + std::to_string(iter_morph) + " " + num(conv_morph) +
        "    morphology data\n");
  if (outside(ConcFormCoeff, 0.0149, 0.0151) || outside(ConcFormTstar, 1.49, 1.51) ||
      outside(ConcFormDstar, 0.29, 0.31))
    put("F 6 " + num(ConcFormCoeff) + " " + num(ConcFormTstar) + " " + num(ConcFormDstar) + "\n");
  put("F 7" + letters(options + 1, 8) + "   run options\n");
  if (outside(MaxBedChange, 0.09, 0.11)) put("F 8 " + num(MaxBedChange) + "\n");
  if (outside(EddyMult, 0.99, 1.01)) put("F 9 " + num(EddyMult) + "\n");
  if (SedimentFormula != 'R') std::fprintf(f, "F 10 %c   sediment formula\n", SedimentFormula);
  if (outside(density, 2.64, 2.66) || outside(shieldscoeff, 0.046, 0.048))
    put("F 11 " + num(density) + " " + num(shieldscoeff) + "\n");
  if (outside(Schmidt, 0.99, 1.01)) put("F 12 " + num(Schmidt) + "\n");
  put("F 16 " + num(XksWall) + "   roughness in meters\n");
  if (TimeStep > 1e-10) put("F 17 " + num(TimeStep) + " time step in seconds\n");
  if (outside(RelaxRhieChow, 0.99, 1.01)) put("F 21 " + num(RelaxRhieChow) + " rhiechow relaxation\n");
  if (FillPart > 0) put("F 23 " + num(FillPart) + " " + num(FillCriteria) + " accellerated deposition\n");
  if (FlagBedPoros == 1)
    put("F 25 " + num(MinPorosity) + " " + num(RelaxPorosity) + " " + num(RoughPoros1) + " " + num(RoughPoros2) +
        " " + std::to_string(DiamPoros) + "\n");
  if (outside(SolidFrac, 0.499, 0.501)) put("F 26 " + num(SolidFrac) + "\n");
  if (SedimentScheme != 0) std::fprintf(f, "F 27 %d\n", SedimentScheme);
  // Any bed flag that differs from its default 0 is kept.
  bool bedFlags = false;
  for (int k = 0; k < 6; ++k) bedFlags = bedFlags || BedFlags[k] != 0;
  if (bedFlags)
    std::fprintf(f, "F 30 %d %d %d %d %d %d\n", BedFlags[0], BedFlags[1], BedFlags[2], BedFlags[3], BedFlags[4],
                 BedFlags[5]);
  if (TimeStep > 1e-20) put("F 33 " + num(TimeStep) + " " + std::to_string(TransInnerIter) + "\n");
  if (FlagTFS != 0) std::fprintf(f, "F 36 %d free surface option\n", FlagTFS);
  if (FlagTSC != 0) std::fprintf(f, "F 37 %d transient sediment computation\n", FlagTSC);

  std::fprintf(f, "G 1 %d %d %d %d    grid and array sizes\n", xnumber, ynumber, znumber, lnumber);
  put("G 3");
  for (int k = 1; k <= znumber && k < 5000; ++k) put(" " + num(zdistrib[k]));
  put("  vertical grid distribution\n");
  if (iSurf > 0 || kSurf > 0)
    put("G 6 " + std::to_string(iSurf) + " " + std::to_string(jSurf) + " " + std::to_string(kSurf) + " " +
        num(RelaxSurface) + " " + num(ConvSurface) + " free surface parameters\n");
  for (int r = 1; r <= IONo && r < 20; ++r) {
    put("G 7");
    for (int k = 0; k < 8; ++k) put(" " + std::to_string(IO[r].n[k]));
    for (int k = 0; k < 4; ++k) put(" " + num(IO[r].v[k]));
    put("\n");
  }
  for (int r = 1; r <= UInitNo && r < 20; ++r) {
    put("G 18");
    for (int k = 1; k <= 6; ++k) put(" " + num(UInit[r][k]));
    put("\n");
  }
  for (int r = 1; r <= SedSourceNo && r < 20; ++r) {
    put("G 12 " + std::to_string(SedSource[r].group));
    for (int s = 1; s <= lnumber && s <= 50; ++s) put(" " + num(SedSource[r].conc[s]));
    put("\n");
  }
  for (int r = 1; r <= OutBlockNo && r < 500; ++r) {
    const OutBlockRecord& o = OutBlock[r];
    std::fprintf(f, "G 13 %d %d %d %d %d %d %d\n", o.type, o.i1, o.i2, o.j1, o.j2, o.k1, o.k2);
  }

  put("P 2 " + num(xscale) + " " + num(yscale) + " " + num(zscale) + " " + num(movex) + " " + num(movey) + "\n");
  std::fprintf(f, "P 3 %d %d %d %d \n", xnode, ynode, znode, lnode);
  for (int s = 1; s <= lnumber && s <= 50; ++s)
    if (gsize[s] > 1e-9) put("S " + std::to_string(s) + " " + num(gsize[s]) + " " + num(fallvelo[s]) + "\n");
  for (int s = 1; s <= lnumber && s <= 50; ++s)
    if (gsize[s] > 1e-9) put("I " + std::to_string(s) + " " + num(inflow[s]) + "\n");

  put("W 1 " + num(ManningInit) + " " + num(discharge) + " " + num(level) + "\n");
  std::fprintf(f, "W 2 %d", initnumber);
  for (int k = 1; k <= initnumber && k < kInitArraySize; ++k) std::fprintf(f, " %d", initarray[k]);
  std::fprintf(f, "\n");
  for (int r = 1; r <= MWallNo && r < kMaxWallPatches; ++r) {
    const WallPatch& w = MWall[r];
    std::fprintf(f, "W 4 %d %d %d %d %d %d %d\n", w.dir, w.posneg, w.node, w.first1, w.last1, w.first2, w.last2);
  }
  for (int r = 1; r <= FastNo && r < MaxFastPoints; ++r) std::fprintf(f, "W 6 %d %d\n", iFast[r], jFast[r]);
  for (int r = 1; r <= AttractNo && r < 2000; ++r) {
    const AttractRecord& a = Attract[r];
    put("W 7 " + std::to_string(a.type) + " " + std::to_string(a.i) + " " + std::to_string(a.j) + " " +
        num(a.strength) + " " + num(a.decay) + "\n");
  }

  std::fprintf(f, "K 1 %d %d\n", iterGlobalMax, IterSurface);
  std::fprintf(f, "K 2 %d %d\n", FlagWall, FlagRoof);
  put("K 3 ");
  for (int e = 1; e <= 6; ++e) put(num(relax[e]) + " ");
  put("\nK 4 ");
  for (int e = 1; e <= 6; ++e) std::fprintf(f, "%d ", sweeps[e]);
  put("\nK 5 ");
  for (int e = 1; e <= 6; ++e) std::fprintf(f, "%d ", blockcorr[e]);
  put("\nK 6 ");
  for (int e = 1; e <= 6; ++e) std::fprintf(f, "%d ", sou[e]);
  put("\n");
  closeOutput(f);
}

int writeControlMin() {
  if (znumber > 1)
    for (int k = 1; k <= znumber && k < 5000; ++k) zdistrib[k] = (k - 1) * 100.0 / (znumber - 1);
  else if (znumber == 1)
    zdistrib[1] = 0.0;
  initnumber = 3;
  initarray[1] = 1;
  initarray[2] = xnumber / 2;
  initarray[3] = xnumber;

  FILE* f = createOrEnd("control");
  std::fprintf(f, "T%s\n", titleText().c_str());
  std::fprintf(f, "G 1 %d %d %d %d     grid and array sizes\n", xnumber, ynumber, znumber, lnumber);
  std::fprintf(f, "G 3");
  for (int k = 1; k <= znumber && k < 5000; ++k) std::fprintf(f, " %lf", zdistrib[k]);
  std::fprintf(f, "      vertical grid distribution\n");
  std::fprintf(f, "W 1 %s %s %s\n", num(ManningInit).c_str(), num(discharge).c_str(), num(level).c_str());
  std::fprintf(f, "W 2 %d", initnumber);
  for (int k = 1; k <= 3; ++k) std::fprintf(f, " %d", initarray[k]);
  std::fprintf(f, "\n");
  std::fprintf(f, "K 1 %d %d\n", 40000, 60000);
  std::fprintf(f, "K 2 0 1\n");
  closeOutput(f);
  return 0;
}

namespace {

// The level distributions of a Z data set hold at most this many levels.
constexpr int kMaxZLevels = 28;

[[noreturn]] void refuseZ() { fatal(1, "Input error for Z in control"); }

void applyZ(Scanner& s) {
  int w[4];
  if (s.readInts(w, 4) != 4) refuseZ();
  const int i1 = w[0], i2 = w[1], j1 = w[2], j2 = w[3];
  if (i1 < 2 || i1 > i2 || i2 > xnumber || j1 < 2 || j1 > j2 || j2 > ynumber) refuseZ();
  if (znumber > kMaxZLevels)
    fatal(2, "Error: increase the level array of the Z data sets (writecontrol.cpp, line %d): %d levels\n",
          __LINE__, znumber);
  if (znumber < 1) refuseZ();  // no distribution to give
  double d[kMaxZLevels + 1];
  for (int k = 1; k <= znumber; ++k) {
    if (!s.readDouble(d[k]) || d[k] < 0.0 || d[k] > 100.0) refuseZ();
    if (k > 1 && d[k] < d[k - 1]) refuseZ();
  }
  if (std::fabs(d[znumber] - 100.0) > 1e-5) refuseZ();
  if (!zval) return;
  for (int i = i1; i <= i2; ++i)
    for (int j = j1; j <= j2; ++j) {
      const double bed = zval[i][j][1], surface = zval[i][j][znumber];
      for (int k = 1; k <= znumber; ++k) zval[i][j][k] = d[k] * (surface - bed) * 0.01 + bed;
    }
}

}  // namespace

void gridchange() {
  Scanner s;
  if (!s.open("control")) {
    setMessage(" cannot open file 'control'");
    endProcess(-3);
  }
  setProgram(" Gridchange              ");
  logf(" In gridchange \n\n");
  for (int c; (c = s.get()) >= 0;) {
    if (c == 'P') {
      int n = 0;
      if (!s.readInt(n)) continue;
      s.skipSpace();
      if (n == 3) {
        int v[4] = {xnode, ynode, znode, lnode};
        s.readInts(v, 4);
        xnode = v[0];
        ynode = v[1];
        znode = v[2];
        lnode = v[3];
      }
    } else if (c == 'Z') {
      applyZ(s);
    }
  }
  logf(" End of gridchange \n\n");
  setMessage(" After gridchange        ");
}
