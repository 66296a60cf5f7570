// The browser build (emscripten with Asyncify). The page (web/index.html,
// web/pre.js) mounts the site's storage before main and links game.cfg and
// game.sav from the working folder into it, so the game's own file code runs
// unchanged; what is left here is copying that storage back after a write,
// the canvas's full screen, downloading the music after the first frame and
// telling the page that the game has ended.
#include <SDL.h>

#include <emscripten.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform.h"

namespace {

// Emscripten's file system starts with a umask of 0777, under which every
// file the game creates would have no permission bits at all, and reading
// game.sav back fails. A desktop's usual mask is set before main.
[[maybe_unused]] const mode_t startupMask = umask(022);

// The JavaScript below is laid out by hand: the C++ formatter would break it.
// clang-format off

// Asyncify lets the game wait here without blocking the tab: a save is in
// the browser's storage before the game goes on, so closing the tab right
// after the menu comes back keeps it.
EM_ASYNC_JS(void, PersistStorage, (), {
    await new Promise(function (done) {
        FS.syncfs(false, function (error) {
            if (error && Module["onStorageError"]) {
                Module["onStorageError"]("store", error);
            }
            done();
        });
    });
});

// Sleeps `ms` or until the page sees input. The wake-up waits for the end of
// the event's dispatch, so SDL's own handler has queued the event by then.
EM_ASYNC_JS(void, SleepUntilInput, (int ms), {
    var kinds = ["keydown", "keyup", "mousedown", "mouseup", "mousemove", "wheel", "pointerdown",
                 "touchstart", "touchend", "focus", "blur", "resize", "fullscreenchange"];
    await new Promise(function (wake) {
        var timer = setTimeout(done, ms);
        function soon() {
            setTimeout(done, 0);
        }
        function done() {
            clearTimeout(timer);
            kinds.forEach(function (kind) { window.removeEventListener(kind, soon, true); });
            wake();
        }
        kinds.forEach(function (kind) { window.addEventListener(kind, soon, true); });
    });
});

// The canvas's frame goes full screen, so that the page goes on sizing the
// canvas inside it; the page may name a larger frame (one that keeps its
// touch controls). Waits for the browser's answer (a second at most), so
// that the options screen shows the new state.
EM_ASYNC_JS(void, RequestCanvasFullscreen, (int on), {
    var frame = Module["fullscreenFrame"] ? Module["fullscreenFrame"]() : Module["canvas"].parentElement;
    var request = on ? (frame.requestFullscreen ? frame.requestFullscreen() : null)
                     : (document.fullscreenElement ? document.exitFullscreen() : null);
    if (request) {
        // Refused without a recent key or click: the page stays as it is.
        await Promise.race([request.catch(function () {}),
                            new Promise(function (done) { setTimeout(done, 1000); })]);
    }
});

EM_JS(int, CanvasIsFullscreen, (), {
    var element = document.fullscreenElement;
    return element && element.contains(Module["canvas"]) ? 1 : 0;
});

// The music is most of the page's weight and nothing the first frame needs,
// so it comes after that frame has been painted, and the game starts it when
// it is there. A file is written only when it came whole from this site; any
// other outcome leaves it missing, and the game's own reading says so.
EM_JS(void, StartMusicDownloads, (const char* lines, double maxBytes), {
    var names = UTF8ToString(lines).split("\n").filter(function (name) { return name !== ""; });
    Module["musicDownloadsLeft"] = names.length;
    function download(name) {
        Promise.resolve()
            .then(function () {
                var url = new URL(name, document.baseURI);
                if (url.origin !== location.origin) {
                    throw new Error("not this site");
                }
                return fetch(url);
            })
            .then(function (response) {
                if (!response.ok) {
                    throw new Error(response.status + " " + response.statusText);
                }
                // Read in pieces, and given up past the game's bound for a
                // music file, so a huge file never fills the page's memory.
                var reader = response.body.getReader();
                var pieces = [];
                var total = 0;
                function more() {
                    return reader.read().then(function (piece) {
                        if (piece.done) {
                            return;
                        }
                        total += piece.value.length;
                        if (total > maxBytes) {
                            reader.cancel();
                            throw new Error("larger than " + maxBytes + " bytes");
                        }
                        pieces.push(piece.value);
                        return more();
                    });
                }
                return more().then(function () {
                    var data = new Uint8Array(total);
                    var at = 0;
                    pieces.forEach(function (piece) { data.set(piece, at); at += piece.length; });
                    return data;
                });
            })
            .then(function (data) { FS.writeFile(name, data); })
            .catch(function () {})
            .then(function () { Module["musicDownloadsLeft"] -= 1; });
    }
    requestAnimationFrame(function () {
        setTimeout(function () { names.forEach(download); }, 0);
    });
});

EM_JS(int, MusicDownloadsLeft, (), {
    var left = Module["musicDownloadsLeft"];
    return left === undefined ? -1 : left;
});

EM_JS(void, TellPageGameEnded, (), {
    if (Module["onGameEnded"]) {
        Module["onGameEnded"]();
    }
});

// clang-format on

} // namespace

int WaitEventTimeout(SDL_Event* event, int timeoutMs) {
    const Uint32 end = SDL_GetTicks() + static_cast<Uint32>(timeoutMs);
    for (;;) {
        if (SDL_PollEvent(event) != 0) {
            return 1;
        }
        const Uint32 now = SDL_GetTicks();
        if (SDL_TICKS_PASSED(now, end)) {
            return 0;
        }
        SleepUntilInput(static_cast<int>(end - now));
    }
}

bool SleepsThroughIdleFrames() {
    return true;
}

bool UsesAcceleratedRenderer() {
    return false;
}

bool CapturesMouseAtStart() {
    return false;
}

bool PageHandlesFullscreen() {
    return true;
}

void SetPageFullscreen(bool on) {
    RequestCanvasFullscreen(on ? 1 : 0);
}

bool PageIsFullscreen() {
    return CanvasIsFullscreen() != 0;
}

void PlayerFilesChanged() {
    PersistStorage();
}

bool MusicFilesPresent() {
    return MusicDownloadsLeft() == 0;
}

void FetchMusicFiles(const std::vector<std::string>& fileNames, std::size_t maxBytes) {
    std::string lines;
    for (const std::string& name : fileNames) {
        lines += name + '\n';
    }
    StartMusicDownloads(lines.c_str(), static_cast<double>(maxBytes));
}

void GameEnded() {
    TellPageGameEnded();
}

void CatchEndSignals(void (*)(int)) {}
