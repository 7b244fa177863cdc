// Merging of layers in the bed-layer stack of a bed cell.
#include "sediment/layers.h"

#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"

void JoinLayers(int b, int k) {
  if (k < 1) k = 1;
  const int top = BlayerTop[b];
  if (k > top || top > NoBedLayers) return;
  double*** L = BSedDistrib;
  const double t1 = L[k - 1][0][b], t2 = L[k][0][b];
  for (int n = 1; n <= lnumber; ++n) L[k - 1][n][b] = (L[k][n][b] * t2 + L[k - 1][n][b] * t1) / (t1 + t2 + 1e-80);
  if (Bsolidfraction)
    Bsolidfraction[k - 1][b] = ((t2 + 1e-100) * Bsolidfraction[k][b] + (t1 + 1e-100) * Bsolidfraction[k - 1][b]) /
                               (t1 + t2 + 2e-100);
  L[k - 1][0][b] = t1 + t2;
  for (int m = k; m < top; ++m) {
    for (int n = 0; n <= lnumber; ++n) L[m][n][b] = L[m + 1][n][b];
    if (Bsolidfraction) Bsolidfraction[m][b] = Bsolidfraction[m + 1][b];
  }
  for (int n = 0; n <= lnumber; ++n) L[top][n][b] = 0.0;
  BlayerTop[b] = top - 1;
}

int removeZerolayers(int b) {
  if (BlayerTop[b] <= 0) return 0;
  int count = 0;
  int k = 1;
  for (int pass = 0; pass < 2 * NoBedLayers + 1 && k <= BlayerTop[b]; ++pass) {
    if (BSedDistrib[k][0][b] < 1e-10) {
      JoinLayers(b, k);
      ++count;
    } else {
      ++k;
    }
  }
  if (BSedDistrib[0][0][b] < 1e-10 && BlayerTop[b] > 0) JoinLayers(b, 1);
  return count;
}
