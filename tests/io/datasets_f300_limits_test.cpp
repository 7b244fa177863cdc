// F data sets 300 to 399: every bounded value accepted at its limit and
// refused just beyond it.
#include "support/limit_rows.h"

namespace {
// F 375 to F 399 (F 381 aside) end their common message without a line end.
LimitRow F(int n, const char* accepted, const char* refused) {
  return commonLimit('F', n, accepted, refused, n < 375 || n == 381);
}
LimitRow own(const std::string& accepted, const std::string& refused, const char* message) {
  return {accepted, refused, 2, message};
}
// F 330 with `count` pairs of depth 1 and cohesion 0.5.
std::string cohesionTable(int count) {
  std::string t = "F 330 " + std::to_string(count);
  for (int i = 0; i < count; ++i) t += " 1 0.5";
  return t;
}
constexpr const char* kF343 = "Error for F 343 in control\nThis data set must only be used with the F 168 data set\n\n";
}  // namespace

TEST(DataSetsF300, EachLimitIsAcceptedAndTheValueBeyondRefused) {
  expectLimits({
        F(301, "F 301 0", "F 301 -0.001"), F(303, "F 303 0", "F 303 -1"), F(304, "F 304 0", "F 304 -1"),
        F(305, "F 305 0", "F 305 -1"), F(305, "F 15 0 F 305 1", "F 15 1 F 305 1"),
        F(306, "F 306 0", "F 306 -1"), F(309, "F 309 0", "F 309 -1"), F(310, "F 310 0", "F 310 -1"),
        F(311, "F 311 0", "F 311 -1"), F(312, "F 312 0", "F 312 -1"), F(313, "F 313 0", "F 313 -1"),
        F(314, "F 314 0 0", "F 314 -1 0"), F(314, "F 314 1000 0", "F 314 1001 0"),
        F(314, "F 314 0 0", "F 314 0 -1"), F(314, "F 314 0 10", "F 314 0 11"),
        F(315, "F 315 0", "F 315 -1"), F(316, "F 316 0", "F 316 -1"),
        F(317, "F 317 1 1", "F 317 0 1"), F(317, "F 317 98 1", "F 317 99 1"), F(317, "F 317 5 1", "F 317 5 0"),
        F(318, "F 318 1 1", "F 318 0 1"), F(318, "F 318 98 1", "F 318 99 1"), F(318, "F 318 5 1", "F 318 5 0"),
        F(319, "F 319 0", "F 319 -1"), F(320, "F 320 0", "F 320 -1"),
        F(322, "F 322 0 0", "F 322 -1 0"), F(322, "F 322 0 0", "F 322 0 -1"),
        F(323, "F 323 0", "F 323 -1"), F(324, "F 324 0", "F 324 -1"), F(325, "F 325 0", "F 325 -1"),
        F(326, "F 326 0 0", "F 326 -0.001 0"), F(326, "F 326 1 0", "F 326 1 -1"),
        F(327, "F 327 0", "F 327 -1"), F(328, "F 328 0", "F 328 -1"),
        own("F 330 1 1 0.5", "F 330 0", "Error for F 330 in control - first integer\n"),
        own(cohesionTable(99), "F 330 100", "Error for F 330 in control - first integer\n"),
        own("F 330 1 0 0.5", "F 330 1 -0.001 0.5", "Error for F 330 in control, 0 parameter\n"),
        own("F 330 2 1 0.5 1 0", "F 330 2 1 0.5 1 -0.001", "Error for F 330 in control, 1 parameter\n"),
        own("F 330 1 1 1e8", "F 330 1 1 1.001e8", "Error for F 330 in control, 0 parameter\n"),
        F(331, "F 331 2", "F 331 1"), F(332, "F 332 -0.001", "F 332 -0.0011"), F(333, "F 333 0", "F 333 -1"),
        F(334, "F 334 -0.001 0.2", "F 334 -0.0011 0.2"), F(334, "F 334 1 0", "F 334 1 -0.001"),
        F(335, "F 335 -0.001", "F 335 -0.0011"), F(336, "F 336 0", "F 336 -1"),
        own("F 308 2 F 337 0 1 0", "F 308 2 F 337 0 0 0",
            "Error for F 337 in control: 2nd integer not between 1 and 9\n"),
        own("F 308 2 F 337 0 9 0", "F 308 2 F 337 0 10 0",
            "Error for F 337 in control: 2nd integer not between 1 and 9\n"),
        own("F 308 2 F 337 4 1 0", "F 308 2 F 337 4 1 -0.001",
            "Error for F 337, group 4, block 1: discharge is too low\n"),
        F(338, "F 338 0", "F 338 -0.001"), F(339, "F 339 0", "F 339 -1"),
        F(340, "F 340 1", "F 340 0"), F(340, "F 340 9", "F 340 10"),
        F(341, "F 341 0", "F 341 -1"), F(341, "F 341 9", "F 341 10"), F(342, "F 342 0", "F 342 -1"),
        F(343, "F 343 0", "F 343 -1"), own("F 343 2", "F 343 3", kF343),
        own("F 168 1 F 343 3", "F 168 0 F 343 3", kF343),
        F(344, "F 344 0", "F 344 -1"), F(345, "F 345 0", "F 345 -0.001"), F(346, "F 346 0", "F 346 -1"),
        F(347, "F 347 0", "F 347 -1"), F(348, "F 348 0", "F 348 -1"), F(349, "F 349 0", "F 349 -1"),
        F(350, "F 350 1 1 0 0", "F 350 1 1.001 0 0"), F(350, "F 350 0 0 0 0", "F 350 -0.001 -0.002 0 0"),
        F(350, "F 350 0 0 0 0", "F 350 1 -0.001 0 0"), F(350, "F 350 0 0 0 0", "F 350 1 0 -0.001 0"),
        F(350, "F 350 0 0 0 0", "F 350 1 0 0 -0.001"),
        F(351, "F 351 0 1", "F 351 -1 1"), F(351, "F 351 0 0.0001", "F 351 0 0.000099"),
        F(355, "F 355 0 0.5", "F 355 -1 0.5"), F(356, "F 356 0", "F 356 -1"),
        F(357, "F 357 -10 0", "F 357 -11 0"), F(357, "F 357 0 0", "F 357 0 -0.001"),
        F(359, "F 359 -10 0", "F 359 -10.001 0"), F(359, "F 359 0 0", "F 359 0 -0.001"),
        F(360, "F 360 0 1e-5", "F 360 -1 1"), F(360, "F 360 0 1e-5", "F 360 0 9.9e-6"),
        F(361, "F 361 0 0", "F 361 -1 0"), F(361, "F 361 0 2", "F 361 0 2.001"),
        F(361, "F 361 0 -2", "F 361 0 -2.001"),
        F(362, "F 362 0", "F 362 -1"), F(362, "F 362 3", "F 362 4"),
        F(370, "G 1 20 30 5 1 F 370 1 5 5 28 1", "G 1 20 30 5 1 F 370 1 5 5 29 1"),
        F(370, "F 370 1 5 5 2 1", "F 370 1 5 4 2 1"), F(370, "F 370 1 5 5 2 1", "F 370 1 5 5 2 0"),
        own("F 370 1 5 5 2 1", "F 370 1 5 5 1 1", "Error for F370, 4th parameter must be larger than 1\n"),
        own("F 371 8 0 0 0.01", "F 371 8 0 0 0.0099",
            "Error for F 371 in control: Error for fourth parameter: FroudeSplit = 0.009900\n\n"),
        own("F 371 11 0 0 10", "F 371 11 0 0 10.001",
            "Error for F 371 in control: Error for fourth parameter: FroudeSplit = 10.001000\n\n"),
        own("F 371 7 0 0 0.005", "F 371 8 0 0 0.005",
            "Error for F 371 in control: Error for fourth parameter: FroudeSplit = 0.005000\n\n"),
        own("F 371 12 0 0 0.005", "F 371 11 0 0 0.005",
            "Error for F 371 in control: Error for fourth parameter: FroudeSplit = 0.005000\n\n"),
        F(375, "F 375 0", "F 375 -0.001"), F(375, "F 375 10000", "F 375 10000.01"),
        F(381, "F 381 1 1", "F 381 1.001 1"),
        F(387, "F 387 0", "F 387 -0.001"), F(388, "F 388 0", "F 388 -0.001"),
        F(389, "F 389 1", "F 389 0"), F(389, "F 389 -1", "F 389 0"),
        F(390, "F 390 0", "F 390 -1"), F(391, "F 391 0", "F 391 -1"), F(392, "F 392 0", "F 392 -1"),
        F(393, "F 393 0", "F 393 -1"), F(394, "F 394 0", "F 394 -1"),
        F(395, "F 395 0 0 0", "F 395 -1 0 0"), F(395, "F 395 0 0 0", "F 395 0 -0.001 0"),
        F(395, "F 395 0 0 0", "F 395 0 0 -0.001"), F(396, "F 396 0", "F 396 -1"),
        F(397, "F 397 0 0 0.1 0.1", "F 397 -1 0 0.1 0.1"), F(397, "F 397 0 0 0.1 0.1", "F 397 0 -1 0.1 0.1"),
        F(397, "F 397 0 0 1e-6 0.1", "F 397 0 0 9.9e-7 0.1"), F(397, "F 397 0 0 1000 0.1", "F 397 0 0 1000.01 0.1"),
        F(397, "F 397 0 0 0.1 1e-6", "F 397 0 0 0.1 9.9e-7"), F(397, "F 397 0 0 0.1 1000", "F 397 0 0 0.1 1000.01"),
        F(398, "F 398 0", "F 398 -0.001"), F(399, "F 399 0", "F 399 -1")});
}
