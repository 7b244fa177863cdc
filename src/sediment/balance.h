// The sediment balance of a time step and of the run: the running sums after
// the bed change, the continuity report of a step and the closing report.
#pragma once

// Mean and largest (signed, by magnitude) bed change of a step over the bed
// cells of the range that have a bottom cell.
struct BedChangeSummary {
  double mean = 0.0;
  double largest = 0.0;
};

// The sums after the bed change: SumBedChange and kLayer2 (F 37 1, 2),
// kSusp and the totals at index 0, SurfacesBM, the F 277 1 bed defect and
// the F 448 defect ratios. Returns the mean and largest bed change.
BedChangeSummary sedimentBalanceSums();
// The continuity lines of a step and the balance table per size.
void continuityReport(const BedChangeSummary& s);
// Whether this step writes its continuity report (debugging D, E, or J on a
// step that logs).
bool continuityReportDue();
// The lines after the last step, before the restart file is written ...
void closingReport();
// ... and after it.
void closingReportAfterRestart();
