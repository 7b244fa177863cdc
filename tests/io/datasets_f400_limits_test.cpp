// F data sets 400 to 555: every bounded value accepted at its limit and
// refused just beyond it.
#include "support/limit_rows.h"

namespace {
// F 400 to F 409 end their common message without a line end.
LimitRow F(int n, const std::string& accepted, const std::string& refused) {
  LimitRow r = commonLimit('F', n, "", "", n > 409);
  r.accepted = accepted, r.refused = refused;
  return r;
}
// A single integer (or double) that must be at least 0.
LimitRow Z(int n) {
  const std::string f = "F " + std::to_string(n) + " ";
  return F(n, f + "0", f + "-1");
}
LimitRow ZD(int n) {
  const std::string f = "F " + std::to_string(n) + " ";
  return F(n, f + "0", f + "-0.001");
}
LimitRow own(const std::string& accepted, const std::string& refused, const char* message) {
  return {accepted, refused, 2, message};
}
constexpr const char* kF433 = "Error for F 433 in control. Are two numbers given?\n";
constexpr const char* kF451 =
    "The F 451 data set is only used in combination with the F 37 3 data set\nAn alternative is the F 144 data set\n\n";
}  // namespace

TEST(DataSetsF400, EachLimitIsAcceptedAndTheValueBeyondRefused) {
  expectLimits({
        Z(400), Z(401), ZD(402), F(403, "F 403 1 0", "F 403 1 -0.001"), F(404, "F 404 0 0", "F 404 0 -0.001"),
        Z(405), ZD(406), Z(407), Z(408),
        F(409, "F 409 0 1e-20", "F 409 -1 1"), F(409, "F 409 0 1e-20", "F 409 0 9.9e-21"),
        F(410, "F 410 1e5 0.4 0", "F 410 99999 0.4 0"), F(410, "F 410 5e10 0.4 0", "F 410 5.001e10 0.4 0"),
        F(410, "F 410 6.5e7 0 0", "F 410 6.5e7 -0.001 0"), F(410, "F 410 6.5e7 0.4999 0", "F 410 6.5e7 0.5 0"),
        F(410, "F 410 6.5e7 0.4 0", "F 410 6.5e7 0.4 -1"),
        ZD(411), Z(412), Z(413), Z(414), Z(415), Z(416),
        own("F 416 3 0", "F 416 3 -0.001", "Error for F 416 3 in control\n"),
        Z(417), ZD(418), F(418, "F 418 10", "F 418 10.001"),
        Z(419), ZD(420), ZD(421), Z(422), Z(423), Z(424), Z(425), Z(426), Z(427),
        F(428, "F 36 7 F 428 0", "F 36 7 F 428 -0.001"), F(428, "F 36 7 F 428 1", "F 36 7 F 428 1.001"),
        F(428, "F 36 7 F 428 0.5", "F 36 6 F 428 0.5"),
        Z(429), Z(430), F(431, "F 431 0 0", "F 431 -1 0"), Z(432),
        own("F 433 0 0", "F 433 -1 0", kF433), own("F 433 0 0", "F 433 0 -0.001", kF433),
        own("F 433 0 1000", "F 433 0 1000.01", kF433),
        Z(434), Z(435), Z(436), Z(437), Z(438), Z(439), ZD(440), Z(441), ZD(442), Z(443), Z(444),
        ZD(445), F(445, "F 445 1", "F 445 1.001"), Z(446), Z(447), Z(448),
        F(449, "F 449 -10 5", "F 449 -11 5"), F(449, "F 449 0 0", "F 449 -11 0"),
        F(449, "F 449 7 7", "F 449 8 7"), F(449, "F 449 1 1", "F 449 1 0"),
        F(450, "F 450 0 0", "F 450 -1 0"), F(450, "F 450 0 0", "F 450 0 -0.001"),
        F(451, "F 37 3 F 451 0 0", "F 37 3 F 451 -1 0"), F(451, "F 37 3 F 451 0 0", "F 37 3 F 451 0 -0.001"),
        own("F 37 3 F 451 0 0", "F 37 2 F 451 0 0", kF451),
        F(452, "F 452 0 0.5 9", "F 452 -0.001 0.5 9"), F(452, "F 452 0.5 0 9", "F 452 0.5 -0.001 9"),
        F(452, "F 452 0.5 0.5 1", "F 452 0.5 0.5 0"),
        Z(453), own("F 37 3 F 453 1", "F 37 2 F 453 1",
                    "Error for F 453 in control: The option can only be used with F 37 3\n"),
        F(454, "F 454 1", "F 454 0"), Z(455), Z(456), F(457, "F 457 0.01", "F 457 0.0099"),
        Z(458), Z(459), Z(460), ZD(461), Z(462), Z(463), Z(464),
        F(465, "F 465 1 200", "F 465 0 200"), F(465, "F 465 200 1", "F 465 200 0"),
        ZD(466), F(466, "F 466 1", "F 466 1.001"), Z(467), Z(468),
        F(469, "F 469 0.9", "F 469 0.899"), F(469, "F 469 2.1", "F 469 2.101"),
        Z(470), F(470, "F 470 10", "F 470 11"),
        Z(471), Z(472), Z(473), Z(474), Z(475), Z(476), Z(477), Z(478), ZD(479), Z(480), Z(481), Z(482), Z(483),
        Z(484), Z(485), Z(486), Z(487), Z(488), Z(489),
        F(490, "F 490 0 0.2", "F 490 -1 0.2"), F(490, "F 490 1 0", "F 490 1 -0.001"),
        ZD(491), F(491, "F 491 1", "F 491 1.001"), Z(492), Z(493), Z(494),
        Z(496), Z(497), Z(498), Z(499), ZD(500), ZD(501), Z(502), Z(503), ZD(504), ZD(510), ZD(511),
        F(512, "F 512 0 0", "F 512 -0.001 0"), F(512, "F 512 0 0", "F 512 0 -0.001"),
        own("F 514 0 0 1e-20", "F 514 0 0 9.9e-21", "Error for F 514 in control: Default: F 514 0 0.0 1.0\n"),
        F(516, "F 516 1 1 1", "F 516 0 1 1"), F(516, "F 516 1 1 1", "F 516 1 0 1"),
        F(516, "F 516 1 1 1", "F 516 1 1 0"), ZD(531),
        F(532, "F 532 0 0 0", "F 532 1 0 0"), F(532, "F 532 2 1 1", "F 532 2 1.001 1"),
        F(532, "F 532 0 -2 0", "F 532 0 -2 -0.001"),
        F(536, "F 536 0 0", "F 536 -1 0"), F(536, "F 536 0 0", "F 536 0 -0.001"),
        F(536, "F 536 0 1", "F 536 0 1.001"),
        F(544, "F 544 0 1", "F 544 -0.001 1"), F(544, "F 544 1 0", "F 544 1 -0.001"), ZD(551),
        own("F 370 1 5 5 2 1 F 552 1", "F 552 1",
            "Error for F 552 / F 370 in control. F 370 must always be used with F 552\n\n"),
        F(553, "F 553 0 0", "F 553 -1 0"), F(553, "F 553 0 0", "F 553 0 -0.001")});
}
