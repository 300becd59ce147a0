// ModalDialog.cpp — the modal loop: the window's events in, one Dear ImGui frame out,
// until the dialog ends.
#include "platform/dialogs/ModalDialog.h"

#include <SDL.h>
#include <imgui.h>
#include <imgui_impl_sdl.h>
#include <imgui_impl_sdlrenderer.h>

#include <algorithm>
#include <bitset>
#include <cfloat>
#include <cmath>
#include <fstream>
#include <utility>

#include "platform/bitmaps/FatalError.h"
#include "platform/video/DisplayWindow.h"
#include "platform/video/FontFile.h"

namespace {

// ---------------------------------------------------------------------------------------
// Settings
// ---------------------------------------------------------------------------------------

// A dialog sits still in the middle of the window at the size of its contents.
constexpr ImGuiWindowFlags DIALOG_WINDOW_FLAGS = ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove
    | ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings
    | ImGuiWindowFlags_AlwaysAutoResize;

// The shortest time between two frames when presenting does not wait for the display.
constexpr uint64_t FRAME_MS = 16;

// Dialog scale 1 stands for an output this high; larger outputs get larger dialogs.
constexpr float SCALE_ONE_HEIGHT = 720.0f;
constexpr float SCALE_STEP = 0.25f;
constexpr float MAX_SCALE = 4.0f;
// The font's pixel height at scale 1: the classic dialog font's size.
constexpr float FONT_PIXELS = 13.0f;
// A monospaced font, so that columns of text (the mode list) line up.
constexpr const char* FONT_NAME = "monospace";

// ---------------------------------------------------------------------------------------
// Drawing set-up
// ---------------------------------------------------------------------------------------

// Everything a running dialog changes outside itself, set up when it starts and undone in
// reverse when it ends, also by an exception: its own ImGui context (so nothing of ImGui
// outlives the dialog), the two SDL backends, the renderer's state (the program may have
// scaled the renderer or pointed it at a texture; the dialog draws on plain output pixels)
// and the mouse cursor's visibility.
class DialogDrawing {
public:
    explicit DialogDrawing(const CDisplayWindow& window);
    ~DialogDrawing();

    DialogDrawing(const DialogDrawing&) = delete;
    DialogDrawing& operator=(const DialogDrawing&) = delete;

private:
    void SaveRendererState();
    void ResetRendererState();
    void RestoreRendererState();
    void StartImGui(const CDisplayWindow& window);
    // The desktop's monospaced font at the dialog's scale, or ImGui's own scaled up.
    void LoadFont(float scale);
    void Undo();

    SDL_Renderer* m_renderer;
    int m_cursorShown = SDL_ENABLE;

    // The renderer as it was.
    SDL_Texture* m_target = nullptr;
    int m_logicalWidth = 0;
    int m_logicalHeight = 0;
    SDL_bool m_integerScale = SDL_FALSE;
    SDL_Rect m_viewport{};
    float m_scaleX = 1.0f;
    float m_scaleY = 1.0f;
    SDL_bool m_clipEnabled = SDL_FALSE;
    SDL_Rect m_clipRect{};
    Uint8 m_colour[4]{};
    SDL_BlendMode m_blendMode = SDL_BLENDMODE_NONE;

    ImGuiContext* m_previousContext = nullptr;
    ImGuiContext* m_context = nullptr;
    bool m_platformStarted = false;
    bool m_rendererStarted = false;
};

// Throws CFatalError with SDL's text for a failed SDL call.
void CheckSdl(int result, const char* what)
{
    if (result != 0)
        throw CFatalError(std::string("dialog: ") + what + " failed: " + SDL_GetError());
}

// Sets everything up, or undoes what was done and passes the failure on.
DialogDrawing::DialogDrawing(const CDisplayWindow& window) : m_renderer(window.Renderer())
{
    SaveRendererState();
    try {
        ResetRendererState();
        StartImGui(window);
    } catch (...) {
        Undo();
        throw;
    }
}

// Gives back ImGui's previous context and the renderer as it was.
DialogDrawing::~DialogDrawing()
{
    Undo();
}

// Notes what ResetRendererState and the ImGui backends change.
void DialogDrawing::SaveRendererState()
{
    m_target = SDL_GetRenderTarget(m_renderer);
    SDL_RenderGetLogicalSize(m_renderer, &m_logicalWidth, &m_logicalHeight);
    m_integerScale = SDL_RenderGetIntegerScale(m_renderer);
    SDL_RenderGetViewport(m_renderer, &m_viewport);
    SDL_RenderGetScale(m_renderer, &m_scaleX, &m_scaleY);
    m_clipEnabled = SDL_RenderIsClipEnabled(m_renderer);
    SDL_RenderGetClipRect(m_renderer, &m_clipRect);
    SDL_GetRenderDrawColor(m_renderer, &m_colour[0], &m_colour[1], &m_colour[2], &m_colour[3]);
    SDL_GetRenderDrawBlendMode(m_renderer, &m_blendMode);
    m_cursorShown = SDL_ShowCursor(SDL_QUERY);
}

// The window itself, one renderer unit per output pixel, nothing clipped.
void DialogDrawing::ResetRendererState()
{
    CheckSdl(SDL_SetRenderTarget(m_renderer, nullptr), "SDL_SetRenderTarget");
    CheckSdl(SDL_RenderSetLogicalSize(m_renderer, 0, 0), "SDL_RenderSetLogicalSize");
    CheckSdl(SDL_RenderSetScale(m_renderer, 1.0f, 1.0f), "SDL_RenderSetScale");
    CheckSdl(SDL_RenderSetViewport(m_renderer, nullptr), "SDL_RenderSetViewport");
    CheckSdl(SDL_RenderSetClipRect(m_renderer, nullptr), "SDL_RenderSetClipRect");
}

// Undoing cannot report failures (it also runs while an exception is on its way), and
// setting back values the renderer gave out only fails for a renderer already gone.
void DialogDrawing::RestoreRendererState()
{
    SDL_SetRenderTarget(m_renderer, m_target);
    if (m_logicalWidth > 0 && m_logicalHeight > 0) {
        SDL_RenderSetLogicalSize(m_renderer, m_logicalWidth, m_logicalHeight);
        SDL_RenderSetIntegerScale(m_renderer, m_integerScale);
    } else {
        SDL_RenderSetScale(m_renderer, m_scaleX, m_scaleY);
        SDL_RenderSetViewport(m_renderer, &m_viewport);
    }
    SDL_RenderSetClipRect(m_renderer, m_clipEnabled ? &m_clipRect : nullptr);
    SDL_SetRenderDrawColor(m_renderer, m_colour[0], m_colour[1], m_colour[2], m_colour[3]);
    SDL_SetRenderDrawBlendMode(m_renderer, m_blendMode);
    SDL_ShowCursor(m_cursorShown);
}

// ImGui's default font is built in and monospaced, so nothing is read from disk and
// columns of text line up; imgui.ini is turned off because the program writes no files.
void DialogDrawing::StartImGui(const CDisplayWindow& window)
{
    if (!IMGUI_CHECKVERSION())
        throw CFatalError("dialog: the Dear ImGui library does not match its headers");
    m_previousContext = ImGui::GetCurrentContext();
    m_context = ImGui::CreateContext();
    ImGui::SetCurrentContext(m_context);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    ImGui::StyleColorsDark();
    int width = 0, height = 0;
    CheckSdl(SDL_GetRendererOutputSize(m_renderer, &width, &height), "SDL_GetRendererOutputSize");
    const float scale = CModalDialog::DialogScale(height);
    ImGui::GetStyle().ScaleAllSizes(scale);
    LoadFont(scale);

    m_platformStarted = ImGui_ImplSDL2_InitForSDLRenderer(window.Window());
    if (!m_platformStarted)
        throw CFatalError("dialog: Dear ImGui's SDL platform backend cannot start");
    m_rendererStarted = ImGui_ImplSDLRenderer_Init(m_renderer);
    if (!m_rendererStarted)
        throw CFatalError("dialog: Dear ImGui's SDL renderer backend cannot start");
}

// ImGui reads the font file itself and fails hard on one it cannot open, so the file is
// tried first; the built-in font, scaled, is the fallback.
void DialogDrawing::LoadFont(float scale)
{
    ImGuiIO& io = ImGui::GetIO();
    const FontFile file = FindFontFile(FONT_NAME);
    if (!file.path.empty() && std::ifstream(file.path, std::ios::binary).good()) {
        ImFontConfig config;
        config.FontNo = file.index;
        if (io.Fonts->AddFontFromFileTTF(file.path.c_str(), std::round(FONT_PIXELS * scale), &config) != nullptr)
            return;
    }
    io.Fonts->AddFontDefault();
    io.FontGlobalScale = scale;
}

// Shuts down what StartImGui started, in reverse, then restores the renderer.
void DialogDrawing::Undo()
{
    if (m_context != nullptr) {
        ImGui::SetCurrentContext(m_context);
        if (m_rendererStarted)
            ImGui_ImplSDLRenderer_Shutdown();
        if (m_platformStarted)
            ImGui_ImplSDL2_Shutdown();
        ImGui::DestroyContext(m_context);
        ImGui::SetCurrentContext(m_previousContext);
        m_context = nullptr;
    }
    RestoreRendererState();
}

// ---------------------------------------------------------------------------------------
// Events
// ---------------------------------------------------------------------------------------

// What an event asks of a dialog.
enum class DialogRequest { None, Ok, Cancel, Quit };

// Enter (either key) is the default button and Escape is Cancel. They are taken from
// SDL's key events directly: ImGui only sees keys its window has focus for, and it misses
// a press and release that arrive within one frame. Held keys repeating are ignored, so
// a key still held from before the dialog does not end it.
DialogRequest RequestOfKey(const SDL_KeyboardEvent& key)
{
    if (key.repeat != 0)
        return DialogRequest::None;
    switch (key.keysym.sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return DialogRequest::Ok;
    case SDLK_ESCAPE:
        return DialogRequest::Cancel;
    default:
        return DialogRequest::None;
    }
}

// A quit, or a request to close the dialog's window, ends the dialog as a cancel.
DialogRequest RequestOf(const SDL_Event& event, uint32_t windowId)
{
    switch (event.type) {
    case SDL_QUIT:
        return DialogRequest::Quit;
    case SDL_WINDOWEVENT:
        return event.window.event == SDL_WINDOWEVENT_CLOSE && event.window.windowID == windowId
            ? DialogRequest::Quit
            : DialogRequest::None;
    case SDL_KEYDOWN:
        return RequestOfKey(event.key);
    default:
        return DialogRequest::None;
    }
}

// Whether ImGui's table of keys has a place for the scancode: a key event from elsewhere
// than the keyboard could carry any number, and ImGui would index its table with it.
static_assert(SDL_NUM_SCANCODES <= sizeof(ImGuiIO::KeysDown) / sizeof(ImGuiIO::KeysDown[0]));
bool IsKnownScancode(SDL_Scancode scancode)
{
    return scancode >= 0 && scancode < SDL_NUM_SCANCODES;
}

// The event at the head of the queue, left there; false when the queue is empty.
bool PeekEvent(SDL_Event& event)
{
    const int count = SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
    if (count < 0)
        throw CFatalError(std::string("dialog: SDL_PeepEvents failed: ") + SDL_GetError());
    return count == 1;
}

// Removes the event at the head of the queue (the one PeekEvent gave).
void DropEvent()
{
    SDL_Event event;
    if (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) < 0)
        throw CFatalError(std::string("dialog: SDL_PeepEvents failed: ") + SDL_GetError());
}

// ImGui's backend takes the pointer's place only from a window that SDL says has the
// pointer or the keyboard. Drivers without a window system (offscreen) never say so; there
// SDL's own record of the pointer stands in.
void FindPointer()
{
    ImGuiIO& io = ImGui::GetIO();
    if (io.MousePos.x != -FLT_MAX || SDL_GetMouseFocus() != nullptr || SDL_GetKeyboardFocus() != nullptr)
        return;
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    io.MousePos = ImVec2(static_cast<float>(x), static_cast<float>(y));
}

// Sleeps until an event arrives or a frame's time since `frameStart` has passed, so that
// a dialog that presents without waiting for the display does not spin.
void WaitForNextFrame(uint64_t frameStart)
{
    const uint64_t elapsed = SDL_GetTicks64() - frameStart;
    if (elapsed < FRAME_MS)
        SDL_WaitEventTimeout(nullptr, static_cast<int>(FRAME_MS - elapsed));
}

} // namespace

// ---------------------------------------------------------------------------------------
// The dialog
// ---------------------------------------------------------------------------------------

CModalDialog::CModalDialog(std::string caption) : m_caption(std::move(caption)) {}

float CModalDialog::DialogScale(int32_t outputHeight)
{
    const float steps = std::floor(static_cast<float>(outputHeight) / SCALE_ONE_HEIGHT / SCALE_STEP);
    return std::clamp(steps * SCALE_STEP, 1.0f, MAX_SCALE);
}

CModalDialog::~CModalDialog() = default;

bool CModalDialog::OnInitDialog()
{
    return true;
}

void CModalDialog::OnOK()
{
    EndDialog(DIALOG_OK);
}

void CModalDialog::OnCancel()
{
    EndDialog(DIALOG_CANCEL);
}

void CModalDialog::EndDialog(int32_t code)
{
    m_endCode = code;
    m_ended = true;
}

// The loop checks for the end after the events and after each frame, so a dialog ended by
// a key is not drawn again, and one ended by its own controls finishes the frame it is in.
int32_t CModalDialog::DoModal(CDisplayWindow& window)
{
    if (window.Window() == nullptr || window.Renderer() == nullptr)
        throw CFatalError("dialog \"" + m_caption + "\": the window has no renderer");
    m_ended = false;
    m_endCode = DIALOG_CANCEL;

    const DialogDrawing drawing(window);
    OnInitDialog();
    while (!m_ended) {
        const uint64_t frameStart = SDL_GetTicks64();
        TakeEvents(window);
        if (m_ended)
            break;
        DrawFrame(window);
        if (!m_ended)
            WaitForNextFrame(frameStart);
    }
    return m_endCode;
}

// Events are peeked before they are taken, so a quit is never taken at all: it ends the
// dialog and stays queued for the program, in its place among the other events. Events
// behind the one that ends the dialog stay queued too. ImGui sees which keys are down once
// per frame, so a key that changes again in the same pass (released after its press, or
// pressed again after its release) waits for the next frame: each quick tap counts.
void CModalDialog::TakeEvents(const CDisplayWindow& window)
{
    const uint32_t windowId = SDL_GetWindowID(window.Window());
    std::bitset<SDL_NUM_SCANCODES> changedThisPass;
    SDL_PumpEvents();
    SDL_Event event;
    while (!m_ended && PeekEvent(event)) {
        const DialogRequest request = RequestOf(event, windowId);
        if (request == DialogRequest::Quit) {
            OnCancel();
            if (!m_ended)   // a dialog may refuse a cancel, never a quit
                EndDialog(DIALOG_CANCEL);
            return;
        }
        const bool keyEvent = event.type == SDL_KEYDOWN || event.type == SDL_KEYUP;
        const bool knownKey = keyEvent && IsKnownScancode(event.key.keysym.scancode);
        if (knownKey && changedThisPass.test(event.key.keysym.scancode))
            return;
        DropEvent();
        if (knownKey)
            changedThisPass.set(event.key.keysym.scancode);
        if (!keyEvent || knownKey)
            ImGui_ImplSDL2_ProcessEvent(&event);
        if (request == DialogRequest::Ok)
            OnOK();
        else if (request == DialogRequest::Cancel)
            OnCancel();
    }
}

void CModalDialog::DrawFrame(const CDisplayWindow& window)
{
    ImGui_ImplSDLRenderer_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    FindPointer();
    ImGui::NewFrame();

    const ImGuiIO& io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, io.DisplaySize.y * 0.5f),
                            ImGuiCond_Always, ImVec2(0.5f, 0.5f));
    bool open = true;
    if (ImGui::Begin(m_caption.c_str(), &open, DIALOG_WINDOW_FLAGS))
        DrawContents();
    ImGui::End();
    ImGui::Render();

    SDL_Renderer* renderer = window.Renderer();
    CheckSdl(SDL_SetRenderDrawColor(renderer, 0, 0, 0, SDL_ALPHA_OPAQUE), "SDL_SetRenderDrawColor");
    CheckSdl(SDL_RenderClear(renderer), "SDL_RenderClear");
    window.DrawBackdrop();   // black where there is no frame to stand on
    ImGui_ImplSDLRenderer_RenderDrawData(ImGui::GetDrawData());
    SDL_RenderPresent(renderer);

    if (!open)   // the window's close button
        OnCancel();
}
