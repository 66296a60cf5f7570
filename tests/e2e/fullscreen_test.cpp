// Fullscreen on screens of other shapes than the picture's, with and without
// a window manager, entered at start-up or from the options: the whole
// picture, undistorted and centred between black bars, and the mouse read
// through the same placement, bars included. And a window the player sized,
// which places the picture by the same rule.
#include <cmath>
#include <map>
#include <sstream>
#include <thread>

#include "session.h"

namespace vlotest {
namespace {

// The main menu's ink in picture pixels (banner to the box's bottom edge),
// measured once on the 640 x 400 window.
constexpr int kMenuLeft = 60, kMenuTop = 8, kMenuRight = 610, kMenuBottom = 232;

struct ScreenCase {
    int width;
    int height;
    bool windowManager;
    bool toggleInOptions; // start windowed and switch in the options
};

// How a failure names its case (otherwise as raw bytes).
void PrintTo(const ScreenCase& c, std::ostream* out) {
    *out << c.width << "x" << c.height << (c.windowManager ? " with" : " without")
         << " a window manager" << (c.toggleInOptions ? ", toggled in the options" : ", at start");
}

std::string CaseName(const testing::TestParamInfo<ScreenCase>& info) {
    std::ostringstream name;
    name << info.param.width << "x" << info.param.height
         << (info.param.windowManager ? "WM" : "NoWM")
         << (info.param.toggleInOptions ? "Toggled" : "AtStart");
    return name.str();
}

// Finds the picture on the screen from the main menu's ink: the scale on each
// axis from the ink's extent, the origin from its top-left corner.
bool Measure(const Image& screen, double& scaleX, double& scaleY, Placement& at, std::string& why) {
    int left = screen.width, top = screen.height, right = -1, bottom = -1;
    for (int y = 0; y < screen.height; ++y) {
        for (int x = 0; x < screen.width; ++x) {
            if (screen.At(x, y) != Rgb{}) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) {
        why = "the screen is black";
        return false;
    }
    scaleX = double(right - left + 1) / (kMenuRight - kMenuLeft + 1);
    scaleY = double(bottom - top + 1) / (kMenuBottom - kMenuTop + 1);
    at.scale = scaleX;
    at.x = left - kMenuLeft * scaleX;
    at.y = top - kMenuTop * scaleX;
    return true;
}

class FullscreenE2E : public GameSession, public testing::WithParamInterface<ScreenCase> {};

TEST_P(FullscreenE2E, MenuAndMouseShareOnePlacement) {
    const ScreenCase c = GetParam();
    StartX(c.windowManager, c.width, c.height);
    if (c.toggleInOptions) {
        WriteConfig(R"({"Fullscreen": false, "Music": true, "MusicVolume": 96})");
    }
    GameProcess& game = Launch();
    bool ok = false;
    if (c.toggleInOptions) {
        // Windowed first (a window manager adds its frame, so the window is
        // not read here): Options, Fullscreen, Save Changes.
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        Press({"Down", "Down", "Return"});
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        Press({"Down", "Down", "Down", "Down", "Down", "Down", "Down", "Down", "Down", "Return"});
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        Press({"Down", "Down", "Down", "Down", "Return"}); // Save Changes
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        Press({"Up", "Up"}); // from "Options" to "New Game"
    }

    // The menu on the whole screen, as it is.
    Image screen;
    std::string error;
    double scaleX = 0, scaleY = 0;
    Placement at;
    bool measured = false;
    // Twice the same in a row: a window manager may still be moving the
    // window into place when the first fullscreen frame shows.
    Placement previous{-1, -1, -1};
    for (int attempt = 0; attempt < 40 && !measured; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        if (game.CaptureScreen(screen, error) && Measure(screen, scaleX, scaleY, at, error) &&
            scaleX > 1.05) {
            measured = at.x == previous.x && at.y == previous.y && at.scale == previous.scale;
            previous = at;
        }
    }
    ASSERT_TRUE(measured) << "no fullscreen menu: " << error;
    WritePng(screen,
             (std::string(VLO_BINARY_DIR) + "/e2e-screens/" +
              testing::UnitTest::GetInstance()->current_test_info()->name() + "-screen.png"));
    std::cout << c.width << "x" << c.height << ": scale " << scaleX << " x " << scaleY
              << ", picture at " << at.x << "," << at.y << "\n";
    EXPECT_NEAR(scaleX, scaleY, 0.02) << "the picture is stretched";
    const double w = 640 * at.scale, h = 400 * at.scale;
    EXPECT_LE(w, c.width + 1.0);
    EXPECT_LE(h, c.height + 1.0);
    EXPECT_TRUE(std::abs(w - c.width) <= 2 || std::abs(h - c.height) <= 2 ||
                at.scale == std::floor(at.scale))
        << "neither fills a side nor is a whole factor: " << at.scale;
    EXPECT_NEAR(at.x, (c.width - w) / 2, 2.0) << "not centred across";
    EXPECT_NEAR(at.y, (c.height - h) / 2, 2.0) << "not centred down";

    // Read back through that placement, the whole menu is there, pixel for pixel.
    game.SetPlacement(at);
    Screen menu = WaitMainMenu(0, ok, "fullscreen-menu");
    ASSERT_TRUE(ok) << menu.Dump();
    const auto problems =
        CheckTitledBox(menu, {" Version 0.3 ", Highlighted(kMainMenuEntries, 0), 0, false});
    EXPECT_TRUE(problems.empty()) << Lines(problems);
    EXPECT_TRUE(menu.Contains("(C) 2026 The Velvet Lockout developers", Yellow));
    if (c.width == 1920 && !c.windowManager) {
        PublishImage(screen, "fullscreen-16x9-menu");
    }

    // Mouse look on a floor: the '@' under the pointer names the player.
    Screen floor = StartNewGame(ok);
    ASSERT_TRUE(ok) << floor.Dump();
    const CellPos player = *FindPlayer(floor);
    Press({"F2"}); // relative mouse mode reports no positions
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const int px = 8 * player.column + 4, py = 8 * player.row + 4;
    PointAt(px, py);
    floor = WaitFor(
        "mouse-look", [](const Screen& v) { return v.TextAt(8, 328, "Player", LightGray); }, ok);
    EXPECT_TRUE(ok) << "hovering over the '@' at " << player.column << "," << player.row
                    << " names the player; the look line reads \"" << floor.Text(8, 328, 20)
                    << "\"";
    int red = 0;
    for (int dy = 0; dy < 8; ++dy) {
        for (int dx = 0; dx < 8; ++dx) {
            red += floor.ColourAt(px + dx, py + dy) == Red;
        }
    }
    EXPECT_EQ(red, 64) << "the red cursor block has its corner under the pointer";
    if (c.width == 1920 && !c.windowManager) {
        Image raw;
        if (game.CaptureScreen(raw, error)) {
            PublishImage(raw, "fullscreen-16x9-floor");
        }
    }

    // On a bar beside the picture, level with the player: outside the
    // picture, so no names and no cursor.
    const bool barsLeftRight = at.x >= 8;
    if (barsLeftRight) {
        PointAtScreen(static_cast<int>(at.x / 2), at.ScreenY(py));
    } else {
        ASSERT_GE(at.y, 8) << "no bar on this screen";
        PointAtScreen(at.ScreenX(px), static_cast<int>(at.y / 2));
    }
    floor = WaitFor(
        "pointer-on-bar",
        [](const Screen& v) { return v.Text(8, 328, 20) == std::string(20, ' '); }, ok);
    EXPECT_TRUE(ok) << "a pointer on the bar names nothing; the look line reads \""
                    << floor.Text(8, 328, 20) << "\"";
    int cursorCells = 0; // on the map: the panel's HP bar is made of the same blocks
    for (int row = 0; row < kMapRows; ++row) {
        for (int column = 0; column < kMapColumns; ++column) {
            const Glyph g = floor.Cell(column, row);
            cursorCells += g.code == 219 && g.ink == Red;
        }
    }
    EXPECT_EQ(cursorCells, 0) << "no cursor drawn for a pointer outside the picture";
}

INSTANTIATE_TEST_SUITE_P(Screens, FullscreenE2E,
                         testing::Values(ScreenCase{1280, 1024, false, false},
                                         ScreenCase{1920, 1080, false, true},
                                         ScreenCase{1280, 1024, true, true},
                                         ScreenCase{1920, 1080, true, false}),
                         CaseName);

using ResizedWindowE2E = GameSession;

// The KEY=value lines of xdotool's --shell output.
std::map<std::string, int> ShellValues(const CommandResult& r) {
    std::map<std::string, int> values;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) {
            values[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1);
        }
    }
    return values;
}

// The window manager sizes the window to 1000 x 500, a shape of 2 : 1: the
// picture fills its height at 1.25, undistorted, with equal bars either side.
TEST_F(ResizedWindowE2E, ThePictureKeepsItsShapeInAWindowThePlayerSized) {
    StartX(true, 1280, 1024);
    WriteConfig(R"({"Fullscreen": false, "Music": true, "MusicVolume": 96})");
    GameProcess& game = Launch();
    const std::string& d = X().Display();
    ASSERT_EQ(RunCommand({"xdotool", "windowsize", "--sync", game.Window(), "1000", "500"}, d, 5000)
                  .status,
              0);
    // The inside's origin: the geometry's position counts openbox's frame in.
    RunCommand({"xdotool", "mousemove", "--sync", "--window", game.Window(), "0", "0"}, d, 5000);
    auto origin = ShellValues(RunCommand({"xdotool", "getmouselocation", "--shell"}, d, 5000));

    Image screen, inside;
    std::string error;
    double scaleX = 0, scaleY = 0;
    Placement at, previous{-1, -1, -1};
    bool measured = false;
    for (int attempt = 0; attempt < 40 && !measured; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        if (!game.CaptureScreen(screen, error)) {
            continue;
        }
        inside = Image{1000, 500, {}};
        for (int y = 0; y < 500; ++y) {
            for (int x = 0; x < 1000; ++x) {
                const Rgb p = screen.At(origin["X"] + x, origin["Y"] + y);
                inside.rgb.insert(inside.rgb.end(), {p.r, p.g, p.b});
            }
        }
        if (Measure(inside, scaleX, scaleY, at, error) && scaleX > 1.05) {
            measured = at.x == previous.x && at.y == previous.y && at.scale == previous.scale;
            previous = at;
        }
    }
    ASSERT_TRUE(measured) << "no menu in the sized window: " << error;
    PublishImage(inside, "resized-window");
    EXPECT_NEAR(scaleX, 1.25, 0.01);
    EXPECT_NEAR(scaleY, 1.25, 0.01) << "the picture is stretched";
    EXPECT_NEAR(at.x, 100, 1.0) << "not centred across";
    EXPECT_NEAR(at.y, 0, 1.0);

    // Read back through that placement, the whole menu is there, cell for cell.
    game.SetPlacement({at.x + origin["X"], at.y + origin["Y"], at.scale});
    bool ok = false;
    Screen menu = WaitMainMenu(0, ok, "resized-menu");
    ASSERT_TRUE(ok) << menu.Dump();
    const auto problems =
        CheckTitledBox(menu, {" Version 0.3 ", Highlighted(kMainMenuEntries, 0), 0, false});
    EXPECT_TRUE(problems.empty()) << Lines(problems);
}

} // namespace
} // namespace vlotest
