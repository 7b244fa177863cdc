// The boundary time series `timei` of a transient run. The first byte of an
// input chooses the options that shape the records (water level, wind,
// sediment blocks, irradiance and air temperature, repetition, a small or a
// large capacity); the rest is the file.
#include "fuzz/fuzz_support.h"
#include "io/modelfiles.h"
#include "state/options.h"
#include "state/records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  fuzz::Input in;
  const unsigned mode = data[0];
  TimeStep = 10.0;
  debugging = 'D';
  ArrayTimeSteps = mode & 64 ? 200 : 4;
  if (mode & 1) iSurf = 1;
  if (mode & 2) Wind[0] = 1.0;
  if (mode & 4) {
    FlagTSC = 1;
    lnumber = mode & 128 ? 10 : 2;  // ten sizes in two groups do not fit a record
    multCinn[1] = multCinn[2] = 1.0;
    DischargeStruct[1].surfno = 4;
    DischargeStruct[2].surfno = mode & 128 ? 4 : 0;
  }
  if (mode & 8) {
    NoTerms = 2;
    QTerms[0].type = 42;
    QTerms[1].type = 1060;
  }
  if (mode & 16) NoRepeatTimei = 3;
  if (mode & 32) CompInflowNo = 3, NoComponents = 3;
  fuzz::writeFile("timei", data + 1, size - 1);
  fuzz::run("timei", [] { return ReadTimes(); }, [](int code) { return code > 0; });
  return 0;
}
