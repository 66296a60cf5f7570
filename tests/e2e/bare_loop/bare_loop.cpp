// The yardstick of the idle measurements: the least an SDL game of our shape
// can do, with nothing of the game in it. A 640 x 400 window, the accelerated
// renderer and a streaming texture, and every 60 ms one unchanged frame
// uploaded and presented, until SDL_QUIT (SIGTERM) or the given seconds pass.
//
//   bare_loop [seconds]
#include <SDL.h>

#include <cstdlib>
#include <iostream>

int main(int argc, char** argv) {
    const Uint32 seconds = argc > 1 ? static_cast<Uint32>(std::atoi(argv[1])) : 60;
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
        std::cerr << "SDL_Init: " << SDL_GetError() << "\n";
        return 1;
    }
    SDL_Window* window =
        SDL_CreateWindow("bare loop", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 640, 400, 0);
    SDL_Renderer* renderer =
        window != nullptr ? SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED) : nullptr;
    SDL_RendererInfo info;
    if (renderer == nullptr || SDL_GetRendererInfo(renderer, &info) != 0) {
        std::cerr << "renderer: " << SDL_GetError() << "\n";
        return 1;
    }
    SDL_Texture* texture =
        SDL_CreateTexture(renderer, info.texture_formats[0], SDL_TEXTUREACCESS_STREAMING, 640, 400);
    SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormat(0, 640, 400, 32, info.texture_formats[0]);
    if (texture == nullptr || picture == nullptr) {
        std::cerr << "texture: " << SDL_GetError() << "\n";
        return 1;
    }
    SDL_Rect box = {200, 150, 240, 100};
    SDL_FillRect(picture, &box, SDL_MapRGB(picture->format, 0, 170, 170));

    const Uint32 end = SDL_GetTicks() + seconds * 1000;
    Uint32 next = SDL_GetTicks() + 60;
    bool quit = false;
    while (!quit && SDL_GetTicks() < end) {
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) {
            quit = quit || event.type == SDL_QUIT;
        }
        SDL_UpdateTexture(texture, nullptr, picture->pixels, picture->pitch);
        SDL_RenderClear(renderer);
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        SDL_RenderPresent(renderer);
        const Uint32 now = SDL_GetTicks();
        SDL_Delay(now < next ? next - now : 0);
        next += 60;
    }
    SDL_FreeSurface(picture);
    SDL_DestroyTexture(texture);
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
