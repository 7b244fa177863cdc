// F data sets 100 to 199: every bounded value accepted at its limit and
// refused just beyond it.
#include "support/limit_rows.h"

namespace {
// Up to F 130 the common message has no line end, from F 131 on it has one.
LimitRow F(int n, const char* accepted, const char* refused) {
  return commonLimit('F', n, accepted, refused, n >= 131);
}
LimitRow own(const char* accepted, const char* refused, const char* message) {
  return {accepted, refused, 2, message};
}
}  // namespace

TEST(DataSetsF100, EachLimitIsAcceptedAndTheValueBeyondRefused) {
  expectLimits({
        F(102, "F 102 0", "F 102 -1"), F(103, "F 103 0", "F 103 -1"), F(104, "F 104 0", "F 104 -1"),
        F(105, "F 105 1", "F 105 0"),
        F(106, "F 106 1e-10", "F 106 9.9e-11"), F(106, "F 106 1e5", "F 106 100001"),
        F(106, "F 106 -1e-10", "F 106 -9.9e-11"), F(106, "F 106 -1e5", "F 106 -100001"),
        F(109, "F 109 0 0.78 0.2", "F 109 -0.001 0.78 0.2"), F(109, "F 109 1.23 0 0.2", "F 109 1.23 -0.001 0.2"),
        F(109, "F 109 1.23 0.78 0", "F 109 1.23 0.78 -0.001"), F(109, "F 109 1.23 0.78 1", "F 109 1.23 0.78 1.001"),
        F(110, "F 60 1 0 F 110 0 0.01", "F 60 1 0 F 110 -0.001 0.01"),
        F(110, "F 60 1 0 F 110 2 0", "F 60 1 0 F 110 2 -0.001"),
        F(110, "F 60 1 0 F 110 2 1", "F 60 1 0 F 110 2 1.001"),
        F(110, "F 60 1 0 F 110 2 0.01", "F 60 2 0 F 110 2 0.01"),
        F(110, "F 60 1 0 F 110 2 0.01", "F 60 0 0 F 110 2 0.01"),
        F(111, "F 111 0", "F 111 -1"), F(111, "F 111 1", "F 111 2"),
        F(112, "F 112 0", "F 112 -1"), F(112, "F 112 100", "F 112 101"),
        F(113, "F 113 0", "F 113 -1"), F(113, "F 113 100", "F 113 101"),
        F(114, "F 114 0", "F 114 -1"), F(114, "F 114 100", "F 114 101"),
        F(115, "F 115 0", "F 115 -1"), F(115, "F 115 500", "F 115 501"),
        F(116, "F 116 0", "F 116 -1"), F(120, "F 120 0", "F 120 -1"), F(121, "F 121 0", "F 121 -1"),
        F(125, "F 125 0", "F 125 -1"), F(126, "F 126 0", "F 126 -1"), F(129, "F 129 0", "F 129 -1"),
        F(130, "G 1 20 30 5 1 F 130 2 20 2 30", "G 1 20 30 5 1 F 130 1 20 2 30"),
        F(130, "G 1 20 30 5 1 F 130 2 20 2 30", "G 1 20 30 5 1 F 130 2 21 2 30"),
        F(130, "G 1 20 30 5 1 F 130 2 20 2 30", "G 1 20 30 5 1 F 130 2 20 1 30"),
        F(130, "G 1 20 30 5 1 F 130 2 20 2 30", "G 1 20 30 5 1 F 130 2 20 2 31"),
        F(130, "G 1 20 30 5 1 F 130 5 5 2 30", "G 1 20 30 5 1 F 130 6 5 2 30"),
        F(130, "G 1 20 30 5 1 F 130 2 20 7 7", "G 1 20 30 5 1 F 130 2 20 8 7"),
        own("F 131 1 0", "F 131 0 0", "Error for F 131 in control - index\n"),
        own("F 131 20 0", "F 131 21 0", "Error for F 131 in control - index\n"),
        own("F 131 3 0", "F 131 3 -0.001", "Error for F 131 in control - negative cohesion\n"),
        own("F 132 0", "F 132 -0.001", "Error for F 132 in control - negative value\n"),
        F(134, "F 37 3 F 134 2", "F 37 3 F 134 1"), F(134, "F 37 3 F 134 5000", "F 37 3 F 134 5001"),
        F(134, "F 37 3 F 134 3", "F 37 2 F 134 3"),
        F(135, "F 135 0", "F 135 -1"), F(136, "F 136 0", "F 136 -0.001"), F(137, "F 137 0", "F 137 -1"),
        F(138, "F 138 0", "F 138 -0.001"),
        own("F 139 0 1", "F 139 -0.001 1", "Error for F 139 in control, 1st. parameter\n"),
        own("F 139 1 0", "F 139 1 -0.001", "Error for F 139 in control, 2nd. parameter\n"),
        F(140, "F 140 0", "F 140 -1"), F(141, "F 141 0", "F 141 -0.001"), F(143, "F 143 0", "F 143 -1"),
        F(144, "F 144 0 0.5", "F 144 -1 0.5"),
        F(147, "F 147 0 2 2 0.2 1 1", "F 147 -1 2 2 0.2 1 1"),
        F(147, "F 147 20 2 2 0 1 1", "F 147 20 2 2 -0.001 1 1"),
        F(147, "F 147 20 2 2 0.2 0 1", "F 147 20 2 2 0.2 -0.001 1"),
        F(147, "F 147 20 2 2 0.2 1 0", "F 147 20 2 2 0.2 1 -0.001"),
        F(148, "F 148 0", "F 148 -0.001"),
        F(149, "F 149 0 1", "F 149 -0.001 1"), F(149, "F 149 1 0", "F 149 1 -0.001"),
        F(152, "F 152 0", "F 152 -1"), F(152, "F 152 10", "F 152 11"),
        F(153, "F 153 0", "F 153 -1"), F(153, "F 153 10", "F 153 11"),
        F(154, "F 154 1 0.5", "F 154 0 0.5"),
        F(156, "F 156 0", "F 156 -1"), F(157, "F 157 0", "F 157 -1"),
        own("F 159 0 0 0 1 0", "F 159 -1 0 0 1 0", "Error for F 159 in control\nDefault F 159: 1 0 0 1 0\n"),
        own("F 159 1 0 0 1 0", "F 159 1 -1 0 1 0", "Error for F 159 in control\nDefault F 159: 1 0 0 1 0\n"),
        own("F 159 1 0 0 1 0", "F 159 1 0 -1 1 0", "Error for F 159 in control\nDefault F 159: 1 0 0 1 0\n"),
        own("F 159 1 0 0 0 0", "F 159 1 0 0 -1 0", "Error for F 159 in control\nDefault F 159: 1 0 0 1 0\n"),
        own("F 159 1 0 0 1 0", "F 159 1 0 0 1 -1", "Error for F 159 in control\nDefault F 159: 1 0 0 1 0\n"),
        F(160, "F 160 0", "F 160 -1"),
        F(172, "F 172 0 2 2.3", "F 172 -1 2 2.3"),
        own("F 174 1 5 0", "F 174 1 5 -0.001", "Error for F 174 x 5 in control\n"),
        own("F 174 1 5 1", "F 174 1 5 1.001", "Error for F 174 x 5 in control\n")});
}
