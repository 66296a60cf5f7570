// The font's box-drawing and block glyphs by name (code page 437 codes).
#pragma once

// clang-format off
constexpr unsigned char BoxTopLeft     = 201; // double lines
constexpr unsigned char BoxTopRight    = 187;
constexpr unsigned char BoxBottomLeft  = 200;
constexpr unsigned char BoxBottomRight = 188;
constexpr unsigned char BoxHorizontal  = 205;
constexpr unsigned char BoxVertical    = 186;
constexpr unsigned char BoxTeeRight    = 204; // from the left edge inward
constexpr unsigned char BoxTeeLeft     = 185; // from the right edge inward
constexpr unsigned char BoxTeeDown     = 203;
constexpr unsigned char BoxTeeUp       = 202;
constexpr unsigned char FullBlock      = 219; // title bars, bars, the mouse cursor
// clang-format on
