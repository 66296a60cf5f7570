// The sixteen EGA colours by name. Kept free of SDL so the world model can
// name colours; the RGB palette itself lives with the font.
#pragma once

enum KRColors {
    Black,
    Blue,
    Green,
    Cyan,
    Red,
    Magenta,
    Brown,
    LightGray,
    DarkGray,
    LightBlue,
    LightGreen,
    LightCyan,
    LightRed,
    LightMagenta,
    Yellow,
    White
};
