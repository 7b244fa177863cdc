// The layer stack of a bed cell (BSedDistrib: per layer the thickness and the
// fractions of the sizes; BlayerTop: the index of the top layer).
#pragma once

// Merges layer k into layer k-1 of bed cell b (k below 1 counts as 1): the
// fractions and solid fractions are averaged by thickness, the layers above
// move down one slot and the top index goes down by one.
void JoinLayers(int b, int k);

// Merges away the layers of bed cell b thinner than 1e-10 m; the number of
// layers merged. A stack with top index 0 is left as it is.
int removeZerolayers(int b);
