// Presenter.h — shows a back buffer through the window's renderer.
//
// The back buffer, at the mode's size, is mirrored in a streaming texture of the same
// size: each flip converts and uploads only the rectangles changed since the last one,
// then draws the texture scaled to fill the renderer's real output with its aspect ratio
// kept (black bars where the shapes differ) and presents it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/video/ChangedRegion.h"
#include "platform/video/FrameConverter.h"
#include "platform/video/PixelView.h"

struct SDL_Renderer;
struct SDL_Texture;
class CDisplayPalette;

class CPresenter {
public:
    // A presenter for back buffers of width × height at the given depth. Nothing is made
    // until CreateTexture.
    CPresenter(SDL_Renderer* renderer, int32_t width, int32_t height, int32_t bitsPerPixel);
    ~CPresenter();

    CPresenter(const CPresenter&) = delete;
    CPresenter& operator=(const CPresenter&) = delete;

    // Makes the texture, or makes it again (after the renderer lost it); everything is
    // uploaded at the next flip. False, with Error(), when SDL cannot.
    bool CreateTexture();

    // What changed in the back buffer since the last flip.
    CChangedRegion& Changes() { return m_changes; }

    // Uploads the changes of `backBuffer` (8-bit: through `palette`), draws and presents.
    bool Present(const PixelView& backBuffer, const std::shared_ptr<CDisplayPalette>& palette);

    // Draws the last presented frame again, letterboxed to the output as it is now, without
    // presenting it; false when no frame was presented yet (or drawing failed).
    bool DrawLastFrame();
    // The same, presented: the window shows the last frame again (after a change of its
    // size or presentation). True, doing nothing, before the first frame.
    bool Redraw();

    // Draws the last presented frame again and reads the output, 0x00RRGGBB.
    bool ReadOutput(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height);

    // Pixels uploaded to the texture since the presenter was made.
    uint64_t UploadedPixels() const { return m_uploadedPixels; }

    const std::string& Error() const { return m_error; }

private:
    bool Fail(const std::string& what);
    bool Upload(const PixelView& backBuffer);
    bool Draw();

    SDL_Renderer* m_renderer;
    SDL_Texture* m_texture = nullptr;
    int32_t m_width;
    int32_t m_height;
    int32_t m_bitsPerPixel;
    uint32_t m_textureFormat = 0;
    CFrameConverter m_converter;
    CChangedRegion m_changes;
    std::shared_ptr<CDisplayPalette> m_shownPalette;   // held, so its address is never reused
    uint64_t m_uploadedPixels = 0;
    bool m_hasFrame = false;   // the texture holds a presented frame
    std::string m_error;
};
