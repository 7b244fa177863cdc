// The unstructured arrays that every run has. Cells, faces, points and bed
// cells are numbered from 1; element 0 belongs to nothing and holds 0.
// Sizes: F 65 (cells, faces, points, nested faces, face pairs), G 1 (block
// grid, grain sizes), F 134 (bed layers). Optional families: arrays_optional.h.
#pragma once

// Cell topology, int [MaxCeller]
inline int *Cflatee, *Cflatew, *Cflates, *Cflaten, *Cflatet, *Cflateb;
inline int *Ccelle, *Ccellw, *Ccells, *Ccelln, *Ccellt, *Ccellb;
inline int *Cpoint1, *Cpoint2, *Cpoint3, *Cpoint4, *Cpoint5, *Cpoint6, *Cpoint7, *Cpoint8;
inline int *CflagDim, *Cisolve, *Cjsolve, *Cinout, *Conecell, *Ctrekant, *Cbed;

// Cell geometry, double [MaxCeller]
inline double *Cdxdi, *Cdxdj, *Cdxdk, *Cdydi, *Cdydj, *Cdydk, *Cdzdi, *Cdzdj, *Cdzdk;
inline double *Cidist, *Cjdist, *Ckdist, *Cxcenter, *Cycenter, *Czcenter, *Cvol, *Careax, *Careay, *Careaz;

// Cell fields, double [MaxCeller]. Cf, Cf_old (and Cf_old2, two time steps
// back, with F 208) point at the field being solved; Cxvel, Cyvel, Czvel may
// be re-pointed by the flow driver.
inline double *Cxvel, *Cyvel, *Czvel, *Cpres, *Ckinen, *Cepsilon, *Cdensgradi, *Cdensgradj, *Cgamma, *CgammaV,
    *Croughness, *Cf, *Cf_old, *Cf_old2;

// Cell equation, double [MaxCeller]
inline double *Cap, *Cae, *Caw, *Cas, *Can, *Cat, *Cab, *Csource, *CinvAp, *Cfn, *CnInvAp;

// Concentrations [lnumber+1][MaxCeller]; row 0 the sum of the sizes
inline double** Cconc;

// Face topology, int [MaxFlater]
inline int *Fcell1, *Fcell2, *Fcell11, *Fcell22, *Ftype1, *Ftype2, *Fflagflow;
inline int *Fpoint1, *Fpoint2, *Fpoint3, *Fpoint4, *Fin;
// The mark of a list cell's own face: null while the lists are off (F 137).
inline int* Fqndum;
// True for the own face of a cell with a quasi-neighbour list: the listed
// faces couple its cells, so the face itself carries no coupling.
inline bool listOwnFace(int f) { return Fqndum && Fqndum[f] != 0; }
// The face at each position of an exported polyMesh face list: null until an
// export writes it.
inline int* Fopenfoam;

// Face geometry and flux, double [MaxFlater]
inline double *Fflux, *Fdgrad, *Fdz, *Farea, *Fdist1, *Fdist2, *Fax, *Fay, *Faz, *Fvx, *Fvy, *Fvz;

// Points [MaxPunkter]
inline double *Px, *Py, *Pz;
inline int *Pc, *Pi, *Pj;

// Line-solver work [max(xnumber, ynumber, znumber) + 2]
inline double *Sqt, *Spt;

// Structured maps [xnumber+2][ynumber+2]
inline int **ant, **antlin, **antmin, **antmax, **vv;
// Cell-number map [xnumber+2][ynumber+2][max(znumber, F 168)+2]
inline int*** num;
inline int numSlots = 0;  // slots per column of num: the levels, and the coarse levels of F 168 and F 152

// Joined face pairs [MaxConnFlate][2]
inline int** connFlate;

// Bed-cell index and values [(xnumber+3)(ynumber+3)]
inline int *Bcellt, *Bcellt_old, *Bcellth, *Bnocells, *Bnocells_old, *Bkooi, *Bkooj, *BlayerTop;
inline double *Bdepth, *Bdepth_old, *Bfly, *Bedformheight, *Broughness, *Bd90, *Bd50, *BFroude, *Bedmove, *Binout,
    *Barea;
// Per size [lnumber+1][capacity]
inline double **Bconc, **Bap, **Bsource, **Bvolleft;
// Layer stack [NoBedLayers+1][lnumber+1][capacity]: [layer][0] thickness, [layer][k] fraction of size k
inline double*** BSedDistrib;

// The number of bed cells the arrays hold.
int bedCellCapacity();

// Sets every array pointer to null (and frees what was allocated).
void SetArraysZero();

// Allocates the unstructured arrays; the bytes allocated, or -1.0 on failure.
double AllocateArrays(int, int, int);
