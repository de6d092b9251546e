// Constant tables of the library, written by make_series_coefficients.py
// (mpmath at 60 digits) through clang-format; every entry is the double, or
// double-double {hi, lo}, nearest to the exact value named in its comment.
// Do not edit: rerun the script.
#pragma once

#include "numeric/double_double.h"

namespace numeric {

using numeric::dd::DD;

// binomial(2j, j) / (4^j (3 + 2j)), j = 0..11.
inline constexpr double kSinePower1Series[12] = {
    0x1.5555555555555p-2, 0x1.999999999999ap-4, 0x1.b6db6db6db6dbp-5, 0x1.1c71c71c71c72p-5,
    0x1.9745d1745d174p-6, 0x1.3627627627627p-6, 0x1.ecccccccccccdp-7, 0x1.93c3c3c3c3c3cp-7,
    0x1.52af286bca1afp-7, 0x1.21679e79e79e8p-7, 0x1.f60de9bd37a6fp-8, 0x1.b8e51eb851eb8p-8,
};

// binomial(2j, j) / (4^j (5 + 2j)), j = 0..11.
inline constexpr double kSinePower2Series[12] = {
    0x1.999999999999ap-3, 0x1.2492492492492p-4, 0x1.5555555555555p-5, 0x1.d1745d1745d17p-6,
    0x1.589d89d89d89ep-6, 0x1.0cccccccccccdp-6, 0x1.b2d2d2d2d2d2dp-7, 0x1.69435e50d7943p-7,
    0x1.326db6db6db6ep-7, 0x1.083d37a6f4deap-7, 0x1.cde3d70a3d70ap-8, 0x1.983c71c71c71cp-8,
};

// binomial(2j, j) / (4^j (7 + 2j)), j = 0..11.
inline constexpr double kSinePower3Series[12] = {
    0x1.2492492492492p-3, 0x1.c71c71c71c71cp-5, 0x1.1745d1745d174p-5, 0x1.89d89d89d89d9p-6,
    0x1.2aaaaaaaaaaabp-6, 0x1.da5a5a5a5a5a6p-7, 0x1.850d79435e50dp-7, 0x1.46db6db6db6dbp-7,
    0x1.17c8590b21643p-7, 0x1.e633333333333p-8, 0x1.abad097b425edp-8, 0x1.7c14f72c234f7p-8,
};

// sin(j pi / 16), cos(j pi / 16), sin^2(j pi / 16) and cos^2(j pi / 16),
// j = 1..7 at index j - 1.
inline constexpr double kGridSine[7] = {
    0x1.8f8b83c69a60bp-3, 0x1.87de2a6aea963p-2, 0x1.1c73b39ae68c8p-1, 0x1.6a09e667f3bcdp-1,
    0x1.a9b66290ea1a3p-1, 0x1.d906bcf328d46p-1, 0x1.f6297cff75cb0p-1,
};
inline constexpr double kGridCosine[7] = {
    0x1.f6297cff75cb0p-1, 0x1.d906bcf328d46p-1, 0x1.a9b66290ea1a3p-1, 0x1.6a09e667f3bcdp-1,
    0x1.1c73b39ae68c8p-1, 0x1.87de2a6aea963p-2, 0x1.8f8b83c69a60bp-3,
};
inline constexpr double kGridSine2[7] = {
    0x1.37ca1866b95cfp-5, 0x1.2bec333018867p-3, 0x1.3c10eaca8ab4fp-2, 0x1.0000000000000p-1,
    0x1.61f78a9abaa59p-1, 0x1.b504f333f9de6p-1, 0x1.ec835e79946a3p-1,
};
inline constexpr double kGridCosine2[7] = {
    0x1.ec835e79946a3p-1, 0x1.b504f333f9de6p-1, 0x1.61f78a9abaa59p-1, 0x1.0000000000000p-1,
    0x1.3c10eaca8ab4fp-2, 0x1.2bec333018867p-3, 0x1.37ca1866b95cfp-5,
};

// sin^2((j + 1/2) pi / 16), j = 0..7: the middles of the cells.
inline constexpr double kCellMiddleSine2[8] = {
    0x1.3ad06011469fbp-7, 0x1.592675bc57974p-4, 0x1.c71898ca32e6fp-3, 0x1.9c1d1f0e5967dp-2,
    0x1.31f17078d34c1p-1, 0x1.8e39d9cd73464p-1, 0x1.d4db3148750d2p-1, 0x1.fb14be7fbae58p-1,
};

// The moments of the Yoffe function of a rise of length 1 over
// [x_i, x_j], x_k = sin^2(k pi / 16), for 0 <= i < j <= 8 in the order
// (0, 1), (0, 2) .. (0, 8), (1, 2) .. (7, 8): int Y dx, int (x - x_i) Y dx,
// int (x - x_i)^2 Y dx, int (x_j - x) Y dx and int (x_j - x)^2 Y dx.
inline constexpr double kGridMoments[36][5] = {
    {0x1.f978871e736a1p-3, 0x1.984deb20ccef7p-9, 0x1.29b520cc9e227p-14, 0x1.9b797fde56757p-8,
     0x1.915b814f0d162p-13},
    {0x1.e67b214df3311p-2, 0x1.7419f246c6efbp-6, 0x1.032c6cd0b563dp-9, 0x1.7fe5b18b48c26p-5,
     0x1.6960e1230b9aep-8},
    {0x1.5691a6fcf6465p-1, 0x1.0cc26f5906678p-4, 0x1.859af4661a0c1p-7, 0x1.209135be57c80p-3,
     0x1.1fc42b2145acfp-5},
    {0x1.a2f9836e4e441p-1, 0x1.0000000000000p-3, 0x1.26b350c2424fep-5, 0x1.22f9836e4e441p-2,
     0x1.d94caf3dbdb02p-4},
    {0x1.d691a6fcf6465p-1, 0x1.799ec8537ccc4p-3, 0x1.23f0ef33bcda0p-4, 0x1.cdd678681dfb6p-2,
     0x1.05bd9e159f51cp-2},
    {0x1.f33d90a6f9988p-1, 0x1.d17cc1b727221p-3, 0x1.ab12e6d4d3ef3p-4, 0x1.35c1af2841fb9p-1,
     0x1.b4e5994b40bfep-2},
    {0x1.fe5e21c79cda8p-1, 0x1.f99ec8537ccc4p-3, 0x1.f387fdef2cc01p-4, 0x1.6c89b5a30f7d4p-1,
     0x1.2382c8cd3b98dp-1},
    {0x1.0000000000000p+0, 0x1.0000000000000p-2, 0x1.0000000000000p-3, 0x1.8000000000000p-1,
     0x1.4000000000000p-1},
    {0x1.d37dbb7d72f80p-3, 0x1.6571037ffeb97p-7, 0x1.86c7ad4628ad5p-11, 0x1.c545f4f720a4bp-7,
     0x1.167c220114b8dp-10},
    {0x1.b0670a6ab2d79p-2, 0x1.7c575df4bf5aep-5, 0x1.f6db6f00534abp-8, 0x1.15dbc3e0a68a2p-4,
     0x1.b940f947f0a14p-7},
    {0x1.249b61a6b1699p-1, 0x1.9a25a01ed718fp-4, 0x1.c1cabf7d57dc0p-6, 0x1.4f97faf9e606ep-3,
     0x1.d210db7eae761p-5},
    {0x1.58338535596bcp-1, 0x1.3ed6c69dbdd97p-3, 0x1.de3e145c0e83fp-5, 0x1.224d166c69bb9p-2,
     0x1.2290d380b8e29p-3},
    {0x1.74df6edf5cbe0p-1, 0x1.9257509977041p-3, 0x1.69359026fba3ep-4, 0x1.96fad8f77d890p-2,
     0x1.02236f0aca31cp-2},
    {0x1.8000000000000p-1, 0x1.b8c7ac13b6d72p-3, 0x1.abaf897ed3175p-4, 0x1.e9264562e1d30p-2,
     0x1.63390bb3c9d4bp-2},
    {0x1.81a1de3863258p-1, 0x1.bee945e5445c7p-3, 0x1.b733bec0fa8d8p-4, 0x1.033a2c2383f27p-1,
     0x1.899258cb3cb4dp-2},
    {0x1.8d505957f2b72p-3, 0x1.dae8ba7f2c627p-7, 0x1.8b05828ab07f0p-10, 0x1.1623144a8c321p-6,
     0x1.f49bb94421a43p-10},
    {0x1.5f77e58ea9572p-2, 0x1.aa2db4f072590p-5, 0x1.757fdcb008dd4p-7, 0x1.1bf647af046a3p-4,
     0x1.1efa9c6bda3f8p-6},
    {0x1.c6a82cabf95b9p-2, 0x1.8be21f05cc7a2p-4, 0x1.01c62b3b0b1e5p-5, 0x1.2989fdfb0d925p-3,
     0x1.dadac821ac8fcp-5},
    {0x1.0000000000000p-1, 0x1.0d0369d64200ep-3, 0x1.b2ef6eef62605p-5, 0x1.c71062f9a578bp-3,
     0x1.e09541abb247bp-4},
    {0x1.0b209120a3420p-1, 0x1.2ea0c992593e0p-3, 0x1.0c5328a362bd8p-4, 0x1.1c5de6247e0b7p-2,
     0x1.5f2b6da7a3853p-3},
    {0x1.0cc26f5906678p-1, 0x1.340d3932b9aa3p-3, 0x1.1556251de7cccp-4, 0x1.30c67dd6793dfp-2,
     0x1.8c03884288845p-3},
    {0x1.319f71c55ff73p-3, 0x1.b4987a66a3ff5p-7, 0x1.ae7f3b233c6b6p-10, 0x1.f30f08f332f52p-7,
     0x1.070e4202892ffp-9},
    {0x1.0000000000000p-2, 0x1.54d46d06d0f84p-5, 0x1.43df82cd41f43p-7, 0x1.bae7e7cf04342p-5,
     0x1.e01fd92355906p-7},
    {0x1.3957d35406a47p-2, 0x1.1359f65a2a2aep-4, 0x1.63f12349af039p-6, 0x1.979ae182294e1p-4,
     0x1.421981e83e42bp-5},
    {0x1.4f98f5954d287p-2, 0x1.482424cef99c7p-4, 0x1.e17f231cec039p-6, 0x1.12689e732e204p-3,
     0x1.0889ad32c0397p-4},
    {0x1.52dcb20613737p-2, 0x1.50dec05284bc6p-4, 0x1.f8d76671fb5a5p-6, 0x1.2c1a9bb8aa1a9p-3,
     0x1.3444483d975b2p-4},
    {0x1.9cc11c754011bp-4, 0x1.26e81362cc7d7p-7, 0x1.227f523c877f0p-10, 0x1.50e912ef06e6dp-7,
     0x1.62cb4c5f05250p-10},
    {0x1.411034e2ad51cp-3, 0x1.87a53a2e83c96p-6, 0x1.547d576bb2c0bp-8, 0x1.023ab83a11e11p-5,
     0x1.02804be8e763ap-7},
    {0x1.6d9279653a59cp-3, 0x1.0b562e837e7dap-5, 0x1.1dd00ccd79639p-7, 0x1.9827130a302f5p-5,
     0x1.1100dbef6db73p-6},
    {0x1.7419f246c6efbp-3, 0x1.17cc1b727220bp-5, 0x1.359a8612127f2p-7, 0x1.d067c91b1bbebp-5,
     0x1.5368f0b1b2dd9p-6},
    {0x1.cabe9aa03523ap-5, 0x1.128d867cd1699p-8, 0x1.c6f6f31d2bb8ep-12, 0x1.40c1c6828c248p-8,
     0x1.1f70eab68fc7bp-11},
    {0x1.3e63d65534a1cp-4, 0x1.1f11daf9d1ef8p-7, 0x1.731d891d1668fp-10, 0x1.922d0a0934e8dp-7,
     0x1.3625d157732cap-9},
    {0x1.4b72c8184dcdbp-4, 0x1.3cec665516087p-7, 0x1.b772eb1e64991p-10, 0x1.f582c5fa3b317p-7,
     0x1.bf9f465084956p-9},
    {0x1.64122414683fdp-6, 0x1.12347d0387aacp-10, 0x1.28256df3dddd9p-14, 0x1.57496210c34a7p-10,
     0x1.9ff2417ca1075p-14},
    {0x1.984deb20ccef7p-6, 0x1.7977e8903a578p-10, 0x1.f59e8b91e84a7p-14, 0x1.219fc6d02ffe2p-9,
     0x1.e7359ff7a9a53p-13},
    {0x1.a1de3863257ccp-9, 0x1.95ca5ec4c3014p-15, 0x1.19e4689f19b0ap-20, 0x1.3209a84b11aa9p-14,
     0x1.0a90efce71031p-19},
};

// (-1)^k / (2k + 1)!, k = 0..9.
inline constexpr double kSineSeries[10] = {
    0x1.0000000000000p+0,  -0x1.5555555555555p-3,  0x1.1111111111111p-7,  -0x1.a01a01a01a01ap-13,
    0x1.71de3a556c734p-19, -0x1.ae64567f544e4p-26, 0x1.6124613a86d09p-33, -0x1.ae7f3e733b81fp-41,
    0x1.952c77030ad4ap-49, -0x1.2f49b46814157p-57,
};

// (-1)^k / (2k)!, k = 0..10.
inline constexpr double kCosineSeries[11] = {
    0x1.0000000000000p+0,  -0x1.0000000000000p-1,  0x1.5555555555555p-5,  -0x1.6c16c16c16c17p-10,
    0x1.a01a01a01a01ap-16, -0x1.27e4fb7789f5cp-22, 0x1.1eed8eff8d898p-29, -0x1.93974a8c07c9dp-37,
    0x1.ae7f3e733b81fp-45, -0x1.6827863b97d97p-53, 0x1.e542ba4020225p-62,
};

// (-1)^k / (k!)^2 and (-1)^k / (k! (k + 1)!), k = 0..17: J0(x) and
// 2 J1(x) / x in powers of x^2 / 4.
inline constexpr double kBesselJ0Series[18] = {
    0x1.0000000000000p+0,  -0x1.0000000000000p+0,  0x1.0000000000000p-2,  -0x1.c71c71c71c71cp-6,
    0x1.c71c71c71c71cp-10, -0x1.23456789abcdfp-14, 0x1.02e85c0898b71p-19, -0x1.522a43f65486ap-25,
    0x1.522a43f65486ap-31, -0x1.0b313289be0b9p-37, 0x1.5601885e63e5dp-44, -0x1.69ca9cf3b7f54p-51,
    0x1.4197a7f5154bcp-58, -0x1.e725594ee52e9p-66, 0x1.3e22d70ef3b5fp-73, -0x1.69f7da8510bcdp-81,
    0x1.69f7da8510bcdp-89, -0x1.40a2dc2460523p-97,
};
inline constexpr double kBesselJ1Series[18] = {
    0x1.0000000000000p+0,  -0x1.0000000000000p-1,   0x1.5555555555555p-4,  -0x1.c71c71c71c71cp-8,
    0x1.6c16c16c16c17p-12, -0x1.845c8a0ce5129p-17,  0x1.27e4fb7789f5cp-22, -0x1.522a43f65486ap-28,
    0x1.2c9758daf5cd0p-34, -0x1.ab81ea75fcdf4p-41,  0x1.f17697cf1cf13p-48, -0x1.e2637bef9ff1ap-55,
    0x1.8bce58901a35ep-62, -0x1.165e7c2d153f3p-69,  0x1.53585cdcbfb10p-77, -0x1.69f7da8510bcdp-85,
    0x1.54ad09e6a6575p-93, -0x1.1d028acb00491p-101,
};

// The edges of the pieces of 4 <= x < 20.
inline constexpr double kBesselPieceEdges[5] = {
    0x1.0000000000000p+2, 0x1.8000000000000p+2, 0x1.2000000000000p+3,
    0x1.b000000000000p+3, 0x1.4000000000000p+4,
};
// P0, Q0, P1 and Q1 of Hankel's form on each piece, in powers of
// t = (x - middle) / half, t in [-1, 1]: row 4 i + k, k = 0..3.
inline constexpr double kHankelPieces[16][17] = {
    {0x1.fea358bb0133dp-1, 0x1.09173a19d8ebcp-10, -0x1.2ab092dc5c4a7p-12, 0x1.28336c2d7b930p-14,
     -0x1.113398ab641b7p-16, 0x1.e0d94fee1dbbfp-19, -0x1.9982f247d9a33p-21, 0x1.5484972a58b38p-23,
     -0x1.161ec23bfab51p-25, 0x1.c025c3a1c615fp-28, -0x1.6549be79ade97p-30, 0x1.1aabd6f59ef79p-32,
     -0x1.bc506c73dea61p-35, 0x1.571ec6c3cad73p-37, -0x1.0ae68149fa98ap-39, 0x1.ee36abc6eb24ep-42,
     -0x1.82a0b494cf594p-44},
    {-0x1.90f1e7c5f3ebbp-6, 0x1.3423e7edc01ebp-8, -0x1.d207bfc21a2e6p-11, 0x1.5b9ad8ea35261p-13,
     -0x1.004fba1f3539ep-15, 0x1.766c05838b296p-18, -0x1.0f5ff0bee37c1p-20, 0x1.86f0e3b6803cbp-23,
     -0x1.18362de444e27p-25, 0x1.9025f37624511p-28, -0x1.1cde39db21026p-30, 0x1.94ca9d8937687p-33,
     -0x1.1f10d3930c9c5p-35, 0x1.933ae37254dc5p-38, -0x1.1d014c15bd6b3p-40, 0x1.d134299c3e23bp-43,
     -0x1.4b4c8b136b9cep-45},
    {0x1.012631088a553p+0, -0x1.c47f7e8423d44p-10, 0x1.0295cff9a330ep-11, -0x1.04c0abe67047cp-13,
     0x1.ea27a00a7e281p-16, -0x1.b857cfeb9c931p-18, 0x1.7f6b577d04501p-20, -0x1.466192d3d4180p-22,
     0x1.112d789f72523p-24, -0x1.c3757ab21441fp-27, 0x1.7161b6771de2dp-29, -0x1.2c13e6bf90711p-31,
     0x1.e471416f04cbcp-34, -0x1.7fb1c44d6156fp-36, 0x1.328bae2d505bap-38, -0x1.26a7d5a82ecdep-40,
     0x1.d9b6a052fb572p-43},
    {0x1.3021d68882fe1p-4, -0x1.dd909abee0093p-7, 0x1.743b8264e0261p-9, -0x1.20740283ff837p-11,
     0x1.bd16c3f4440eap-14, -0x1.564d6494acbbbp-16, 0x1.06b3bc93b669ep-18, -0x1.92bf0ee040899p-21,
     0x1.3495b2a92dfa4p-23, -0x1.d8ef822364d59p-26, 0x1.6a9f2ce4886fep-28, -0x1.166906a66e4edp-30,
     0x1.abdd494043b5ep-33, -0x1.4522c770123e8p-35, 0x1.f414eb80ddf13p-38, -0x1.cb83a16621fa8p-40,
     0x1.669612d66909bp-42},
    {0x1.ff60722d9056fp-1, 0x1.f1da522571b6fp-12, -0x1.213b1e45d6ce3p-13, 0x1.28da15fa5a08bp-15,
     -0x1.1c0df6f3b56c6p-17, 0x1.03ae9046248f7p-19, -0x1.cbb481655da6fp-22, 0x1.8d3385c9dd597p-24,
     -0x1.50d970032a652p-26, 0x1.1977631c7e395p-28, -0x1.d0cba1364a869p-31, 0x1.7c3d9ed9d5fd1p-33,
     -0x1.3471c52939490p-35, 0x1.ea17287036814p-38, -0x1.8802e16a6469bp-40, 0x1.7808fc90bce12p-42,
     -0x1.2d677d5bcf12ep-44},
    {-0x1.0e5c9a617e71fp-6, 0x1.a852d2f19fdedp-9, -0x1.4a21b963862e8p-11, 0x1.fdb0858a26616p-14,
     -0x1.86af507dfc05ap-16, 0x1.29953a96a6669p-18, -0x1.c2cfe12d029f9p-21, 0x1.53cd7396d8014p-23,
     -0x1.fe14664d0d2ccp-26, 0x1.7d6f7e86fc988p-28, -0x1.1c577fcf58222p-30, 0x1.a6ef10f8455bdp-33,
     -0x1.39c1b783cdb64p-35, 0x1.cbf2eb520fb83p-38, -0x1.53938fb50a07fp-40, 0x1.257514552cfc2p-42,
     -0x1.b48cb327ac657p-45},
    {0x1.0085c2b976f9fp+0, -0x1.a3c1ab382ad44p-11, 0x1.eb4caffd651b0p-13, -0x1.fcb14bfed6ce6p-15,
     0x1.ebb6a128f45a4p-17, -0x1.c6a51dd53d8dep-19, 0x1.9773222095227p-21, -0x1.64cc82b396cf7p-23,
     0x1.32eef60779607p-25, -0x1.045a7a938d5c5p-27, 0x1.b4bc978664c27p-30, -0x1.6b2d53ade8eb6p-32,
     0x1.2b984e12def26p-34, -0x1.e3bc25fc459a9p-37, 0x1.89b8db1d7b712p-39, -0x1.836958eb9ab37p-41,
     0x1.3c4e5bae0ca59p-43},
    {0x1.97b1d64e0f36dp-5, -0x1.433b295587573p-7, 0x1.fe82c6003be73p-10, -0x1.91bc915fdd52ap-12,
     0x1.3b2cf5fe25227p-14, -0x1.ed40ab87a5190p-17, 0x1.81258f28ff1dbp-19, -0x1.2c37bf1578dcep-21,
     0x1.d36927680297cp-24, -0x1.6b7f6ca91db06p-26, 0x1.1a7fb6bc891d3p-28, -0x1.b71e7a77b55d8p-31,
     0x1.551d59f438c8bp-33, -0x1.059f86dec1583p-35, 0x1.95cc41ad2998dp-38, -0x1.7871db0d34febp-40,
     0x1.279013e6fdcebp-42},
    {0x1.ffb810ceceae2p-1, 0x1.c6ee01431570ep-13, -0x1.0cbff143fd19cp-14, 0x1.19487683517d8p-16,
     -0x1.131e51bf5fe52p-18, 0x1.018ed84b9e9abp-20, -0x1.d38e729de50dap-23, 0x1.9eaeef17647a0p-25,
     -0x1.69373cdf56c0ap-27, 0x1.361cb69f2807bp-29, -0x1.07176ec474c40p-31, 0x1.ba428478acb52p-34,
     -0x1.706c2ff2b433dp-36, 0x1.2bf3913db76f4p-38, -0x1.ec21dbffeb98bp-41, 0x1.e89f39482440fp-43,
     -0x1.9123309e23d0bp-45},
    {-0x1.6a713d74cd2afp-7, 0x1.1f60ed526e389p-9, -0x1.c5ce1dfc9efcep-12, 0x1.64de905124983p-14,
     -0x1.1792fcc65f0dbp-16, 0x1.b479ee939e1b9p-19, -0x1.5394497abc5bfp-21, 0x1.075f62f80a4b0p-23,
     -0x1.975cb379b7cf1p-26, 0x1.3a3382a4a7af2p-28, -0x1.e3853f5b41377p-31, 0x1.735e5318ba50ep-33,
     -0x1.1c92b77de7a85p-35, 0x1.ae461c145c544p-38, -0x1.480dc154167f5p-40, 0x1.2818224283fbbp-42,
     -0x1.c6f1aeda08b0ap-45},
    {0x1.003c1ca19acbcp+0, -0x1.7d30f75a4568dp-12, 0x1.c3f8b8c03e2c8p-14, -0x1.db18f792faf53p-16,
     0x1.d30b9097d6b1ap-18, -0x1.b7c3a1f562c9bp-20, 0x1.91bcb6d0c9d6fp-22, -0x1.66d427034bea4p-24,
     0x1.3af5158de2785p-26, -0x1.109dd57af84a2p-28, 0x1.d2975850e6966p-31, -0x1.8bc9e88a33e36p-33,
     0x1.4ce19b61a0af3p-35, -0x1.118475125876cp-37, 0x1.c55cbdab45ac2p-40, -0x1.c92a709afc8eep-42,
     0x1.7b8d1fa95b31cp-44},
    {0x1.107d19eb589f0p-5, -0x1.b22b3149a709ep-8, 0x1.5936f3bcb4242p-10, -0x1.11fadd2c08696p-12,
     0x1.b22443262a06ep-15, -0x1.576b98671554fp-17, 0x1.0f43d1894428ap-19, -0x1.abfbccc5be775p-22,
     0x1.513b6dd49d1e8p-24, -0x1.0973c9bcc0f5fp-26, 0x1.a189baf1aaa86p-29, -0x1.484a21ff44c92p-31,
     0x1.01dd7580698a3p-33, -0x1.8f8ab25053537p-36, 0x1.38f3a7ac527d8p-38, -0x1.25fde7bc28311p-40,
     0x1.d1a626f2f5c14p-43},
    {0x1.ffdf55ce1b783p-1, 0x1.9363c98d57527p-14, -0x1.d2338889c15a8p-16, 0x1.de1b20dbd2b59p-18,
     -0x1.cae84c2b80173p-20, 0x1.a62f48f166278p-22, -0x1.79085098d2757p-24, 0x1.495a9dc5ec0f9p-26,
     -0x1.1ad052fe19b06p-28, 0x1.df0fc6a84c15cp-31, -0x1.912fdb9c2d847p-33, 0x1.4cfe75b0cf603p-35,
     -0x1.120aefa6627d8p-37, 0x1.b947e10ef7655p-40, -0x1.65cafb911e369p-42, 0x1.5d4d7ce3247bep-44,
     -0x1.1b5107bff782dp-46},
    {-0x1.e81070cfe3066p-8, 0x1.793e8e4b0f973p-10, -0x1.23015d633baebp-12, 0x1.c01615e28099ap-15,
     -0x1.585304736c369p-17, 0x1.081a7ee1b3fc0p-19, -0x1.946cdcd6e1decp-22, 0x1.351f04d392611p-24,
     -0x1.d7c693ce7eb43p-27, 0x1.6770ac6ddf158p-29, -0x1.1171a89be5618p-31, 0x1.9f9b800e4baa1p-34,
     -0x1.3b52e20911ca5p-36, 0x1.d881da150d975p-39, -0x1.650c1add26502p-41, 0x1.3e80950185913p-43,
     -0x1.e5342f3a40d33p-46},
    {0x1.001b41663aed4p+0, -0x1.510332755b160p-13, 0x1.8623240e94d9dp-15, -0x1.90ec713cca53dp-17,
     0x1.81c3a176a2845p-19, -0x1.63e4a106bb6b5p-21, 0x1.3ed6d2ac7f371p-23, -0x1.178000cd572c8p-25,
     0x1.e1dbf7bf5caedp-28, -0x1.99d14c056fb86p-30, 0x1.58bce926272b0p-32, -0x1.1f838dfc3cbc0p-34,
     0x1.dba057f97b7e5p-37, -0x1.80d4ddd2a1120p-39, 0x1.39bf5e8428ff5p-41, -0x1.34e5f78835d8ap-43,
     0x1.f838f5f0e17ffp-46},
    {0x1.6e73ac123ac51p-6, -0x1.1bdda4dfaddcbp-8, 0x1.b75ffd7d10c26p-11, -0x1.53bb0fa84158fp-13,
     0x1.06747413a88a3p-15, -0x1.952c1b397f5b0p-18, 0x1.387f4d202233ap-20, -0x1.e1ac16defa2c2p-23,
     0x1.72f2eecb4fa86p-25, -0x1.1d7b8270ce3e7p-27, 0x1.b723b80b88fc3p-30, -0x1.51b0d3dab3f0dp-32,
     0x1.0375024856c76p-34, -0x1.89b9044cde64dp-37, 0x1.2db4832c4fa8cp-39, -0x1.12c9b9750c29dp-41,
     0x1.a963cbafc79e2p-44},
};

// (-1)^k a_2k(0) and (-1)^k a_2k+1(0), k = 0..13, with a_k(nu) the
// product over j = 1..k of (4 nu^2 - (2j - 1)^2), over k! 8^k.
inline constexpr double kHankelP0[14] = {
    0x1.0000000000000p+0,  -0x1.2000000000000p-4,  0x1.cb60000000000p-4,  -0x1.251ee80000000p-1,
    0x1.84bd1aa980000p+2,  -0x1.b8118d37ff700p+6,  0x1.7bc2e57729724p+11, -0x1.d0366d1f2a1fcp+16,
    0x1.7da65df946f8bp+22, -0x1.9635110813867p+28, 0x1.0fb5f454e2191p+35, -0x1.be483c6188f8ep+41,
    0x1.b978561d4bea1p+48, -0x1.02e194de62d0bp+56,
};
inline constexpr double kHankelQ0[14] = {
    -0x1.0000000000000p-3,  0x1.2c00000000000p-4,  -0x1.d11e000000000p-3,  0x1.ba4c598000000p+0,
    -0x1.8616a64f6c000p+4,  0x1.13aafea4e5774p+9,  -0x1.1d47059b0d98ap+14, 0x1.96ab69ba805e8p+19,
    -0x1.7e002ac418369p+25, 0x1.c951379875fb6p+31, -0x1.53d7328c73eefp+38, 0x1.32f8782421c7cp+45,
    -0x1.4b3d91e48aa3bp+52, 0x1.a4d4ec38521d1p+59,
};

// (-1)^k a_2k(1) and (-1)^k a_2k+1(1), k = 0..13, with a_k(nu) the
// product over j = 1..k of (4 nu^2 - (2j - 1)^2), over k! 8^k.
inline constexpr double kHankelP1[14] = {
    0x1.0000000000000p+0,   0x1.e000000000000p-4,  -0x1.2750000000000p-3,  0x1.5a6a580000000p-1,
    -0x1.b8920d2680000p+2,  0x1.e6643dc4a1100p+6,  -0x1.9cc8b6a2ea449p+11, 0x1.f29945cc23c35p+16,
    -0x1.9645bee011be7p+22, 0x1.ad6b4c84e170ep+28, -0x1.1da5076cedb15p+35, 0x1.d30a1b77ee995p+41,
    -0x1.cc418accd750ap+48, 0x1.0d088ba5da243p+56,
};
inline constexpr double kHankelQ1[14] = {
    0x1.8000000000000p-2,  -0x1.a400000000000p-4,  0x1.1c3d000000000p-2,  -0x1.fe58188000000p+0,
    0x1.b3fb3258c4000p+4,  -0x1.2dec0ab499cbcp+9,  0x1.341980ef2329fp+14, -0x1.b2b73c0dfbfb1p+19,
    0x1.9526f70e0a2a6p+25, -0x1.e2097fca372b9p+31, 0x1.646b0f8d0f714p+38, -0x1.409d1cc506d65p+45,
    0x1.58c2b1f8519abp+52, -0x1.b4b650e855365p+59,
};

// pi / 2 = kHalfPi1 + kHalfPi2 + kHalfPi3 to about 160 bits, and 2 / pi.
inline constexpr double kHalfPi1 = 0x1.921fb54442d18p+0;
inline constexpr double kHalfPi2 = 0x1.1a62633145c07p-54;
inline constexpr double kHalfPi3 = -0x1.f1976b7ed8fbcp-110;
inline constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;

}  // namespace numeric
