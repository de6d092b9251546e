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

// 1 / (k!)^2 and 1 / (k! (k + 1)!), k = 0..44, double-doubles.
inline constexpr DD kBesselJ0SeriesDD[45] = {
    {0x1.0000000000000p+0, 0x0.0p+0},
    {0x1.0000000000000p+0, 0x0.0p+0},
    {0x1.0000000000000p-2, 0x0.0p+0},
    {0x1.c71c71c71c71cp-6, 0x1.c71c71c71c71cp-60},
    {0x1.c71c71c71c71cp-10, 0x1.c71c71c71c71cp-64},
    {0x1.23456789abcdfp-14, 0x1.23456789abcdfp-74},
    {0x1.02e85c0898b71p-19, -0x1.b6edec0692e65p-75},
    {0x1.522a43f65486ap-25, -0x1.604db055bd075p-79},
    {0x1.522a43f65486ap-31, -0x1.604db055bd075p-85},
    {0x1.0b313289be0b9p-37, -0x1.8824198c6f6e1p-91},
    {0x1.5601885e63e5dp-44, -0x1.9b0b430eb27b8p-101},
    {0x1.69ca9cf3b7f54p-51, -0x1.ee6b4638f3a25p-105},
    {0x1.4197a7f5154bcp-58, 0x1.f414a456b5139p-117},
    {0x1.e725594ee52e9p-66, 0x1.347419f4f4e12p-120},
    {0x1.3e22d70ef3b5fp-73, -0x1.c01f1502b9c8dp-129},
    {0x1.69f7da8510bcdp-81, -0x1.4c44016cdd3c9p-135},
    {0x1.69f7da8510bcdp-89, -0x1.4c44016cdd3c9p-143},
    {0x1.40a2dc2460523p-97, 0x1.29299f942bdf2p-152},
    {0x1.faaf2fa1c79e5p-106, 0x1.75db5b524ee93p-160},
    {0x1.674f8e46c208cp-114, -0x1.49da84e9afa9cp-171},
    {0x1.cbeaf38dc529fp-123, -0x1.537f1f818cbf0p-177},
    {0x1.0afb53e9cec0bp-131, -0x1.4dc86a3d029b9p-186},
    {0x1.1a6d4e307528fp-140, -0x1.7330e172c8416p-194},
    {0x1.1159d2b18fe1fp-149, -0x1.844c5882736c4p-203},
    {0x1.e5f504c9e358cp-159, -0x1.d664c8ec450f3p-214},
    {0x1.8e189760fbc74p-168, 0x1.1b1ee5706b444p-223},
    {0x1.2d843c1f0a6f9p-177, -0x1.e085b8427e017p-231},
    {0x1.a787875e855a5p-187, -0x1.0a371730cd16bp-241},
    {0x1.149733d53cf71p-196, -0x1.85816ca83ae43p-251},
    {0x1.50c6b70b8d80dp-206, 0x1.4bc9e8ac9e6b9p-261},
    {0x1.7f2d2fd687f7dp-216, 0x1.5c0a302b966cfp-270},
    {0x1.984bda886ca72p-226, -0x1.3f950b17859e9p-281},
    {0x1.984bda886ca72p-236, -0x1.3f950b17859e9p-291},
    {0x1.7fed0e5ee6853p-246, -0x1.98d6e1b7d7634p-300},
    {0x1.541631ef14d5ap-256, -0x1.7cb0a9cb89bb3p-319},
    {0x1.1c48e3508671dp-266, -0x1.7b4ae4e6a0b8ap-320},
    {0x1.c13d73dae76b2p-277, -0x1.1d85398b22098p-335},
    {0x1.50071207c836bp-287, 0x1.17fb0606d0200p-342},
    {0x1.dc950501d17ffp-298, -0x1.cb8d15f21518dp-353},
    {0x1.40dad10bd3e71p-308, -0x1.88593bbb5b6cdp-362},
    {0x1.9ab1af6b4cacep-319, -0x1.a44942377f43ap-373},
    {0x1.f45b998ff9834p-330, -0x1.cb7bdaade6c9ep-386},
    {0x1.2275074adea0fp-340, 0x1.c84f494e9894ep-398},
    {0x1.41b7c24c01401p-351, -0x1.a94e8d68a11e9p-405},
    {0x1.54545f854b5f4p-362, -0x1.3630e1fe6e857p-418},
};
inline constexpr DD kBesselJ1SeriesDD[45] = {
    {0x1.0000000000000p+0, 0x0.0p+0},
    {0x1.0000000000000p-1, 0x0.0p+0},
    {0x1.5555555555555p-4, 0x1.5555555555555p-58},
    {0x1.c71c71c71c71cp-8, 0x1.c71c71c71c71cp-62},
    {0x1.6c16c16c16c17p-12, -0x1.f49f49f49f49fp-67},
    {0x1.845c8a0ce5129p-17, 0x1.5b66c77d88e9ap-71},
    {0x1.27e4fb7789f5cp-22, 0x1.cbbc05b4fa99ap-76},
    {0x1.522a43f65486ap-28, -0x1.604db055bd075p-82},
    {0x1.2c9758daf5cd0p-34, -0x1.39289cbdfd5bdp-88},
    {0x1.ab81ea75fcdf4p-41, 0x1.7f8c7b0b68397p-96},
    {0x1.f17697cf1cf13p-48, -0x1.4fa7011c9dfe6p-103},
    {0x1.e2637bef9ff1ap-55, 0x1.770f7b4107cebp-113},
    {0x1.8bce58901a35ep-62, -0x1.c561aae8f9091p-116},
    {0x1.165e7c2d153f3p-69, 0x1.df93367675c11p-127},
    {0x1.53585cdcbfb10p-77, -0x1.ddff05583da30p-133},
    {0x1.69f7da8510bcdp-85, -0x1.4c44016cdd3c9p-139},
    {0x1.54ad09e6a6575p-93, 0x1.5dde1cc6b74e9p-147},
    {0x1.1d028acb00491p-101, 0x1.24b635e4c632ep-159},
    {0x1.aaae78f4066a6p-110, 0x1.9e13208a9fd9ap-165},
    {0x1.1f72d8389b3a3p-118, 0x1.57a1189e10114p-173},
    {0x1.5e69de22df5cep-127, 0x1.c9e8f48fec93dp-182},
    {0x1.84564b82a1184p-136, 0x1.03399404594c4p-191},
    {0x1.88f11edf3ed4cp-145, 0x1.1d240c47a145ep-203},
    {0x1.6c77c3976a829p-154, -0x1.60cb96b133cb6p-209},
    {0x1.37033643c4b3bp-163, -0x1.1167ee6016195p-217},
    {0x1.e9f6e1b270f54p-173, -0x1.19b296d819849p-228},
    {0x1.655a5a37c0843p-182, -0x1.3cf7225a16500p-245},
    {0x1.e4089ab52ab05p-192, 0x1.ab2ec0eccc785p-246},
    {0x1.313415e2783ccp-201, -0x1.26a20a4720dd2p-257},
    {0x1.673a5cd91f786p-211, -0x1.f9b672d722f9ep-265},
    {0x1.8b897bb42941ep-221, 0x1.2533cea09b473p-275},
    {0x1.984bda886ca72p-231, -0x1.3f950b17859e9p-286},
    {0x1.8bec76d1ddb95p-241, 0x1.74c4ce74d3c35p-296},
    {0x1.6957950e06230p-251, -0x1.80ca3dda34213p-305},
    {0x1.36efb8a0130c7p-261, 0x1.412615a3c0361p-315},
    {0x1.f965225644588p-272, 0x1.d7d943e86f36bp-327},
    {0x1.84882cd8ff7f4p-282, -0x1.f88b82103eb5fp-338},
    {0x1.1af87af91463fp-292, 0x1.17921d7c21bcap-346},
    {0x1.870aaec66a419p-303, 0x1.01d33f33a8936p-357},
    {0x1.00af0da30fec0p-313, 0x1.f952369d5075cp-367},
    {0x1.408aae603bd81p-324, 0x1.ecd253f44c135p-379},
    {0x1.7d39999244334p-335, -0x1.1a917efc8d7bdp-389},
    {0x1.b04eed1621ae1p-346, -0x1.b7031c0931021p-401},
    {0x1.d3f4035747a2fp-357, 0x1.955f32508a022p-411},
    {0x1.e40638350a7c1p-368, 0x1.4210c0b69a203p-422},
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
