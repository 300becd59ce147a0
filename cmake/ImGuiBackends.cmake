# ImGuiBackends.cmake — Dear ImGui with its SDL2 platform and SDL_Renderer backends.
#
# Debian's libimgui-dev ships the library and the backends' headers, but the backends'
# sources only among the package's examples. tolmix_add_imgui_backends compiles those two
# sources into a target of ours, from that folder, with their warnings silenced: they are
# not our code, and CI builds with -Werror.

set(TOLMIX_IMGUI_BACKENDS_DIR "/usr/share/doc/libimgui-dev/examples/backends"
    CACHE PATH "Folder holding Dear ImGui's imgui_impl_sdl.cpp and imgui_impl_sdlrenderer.cpp")

set(TOLMIX_IMGUI_BACKEND_SOURCES
    "${TOLMIX_IMGUI_BACKENDS_DIR}/imgui_impl_sdl.cpp"
    "${TOLMIX_IMGUI_BACKENDS_DIR}/imgui_impl_sdlrenderer.cpp")
foreach(source IN LISTS TOLMIX_IMGUI_BACKEND_SOURCES)
    if(NOT EXISTS "${source}")
        message(FATAL_ERROR "Dear ImGui backend source missing: ${source}. Install libimgui-dev "
            "(scripts/install-deps.sh) or point TOLMIX_IMGUI_BACKENDS_DIR at the folder that holds it.")
    endif()
endforeach()

if(NOT TARGET PkgConfig::IMGUI)
    pkg_check_modules(IMGUI REQUIRED IMPORTED_TARGET imgui)
endif()
find_package(SDL2 REQUIRED)

# The backends' headers sit beside ImGui's own, in backends/.
find_path(TOLMIX_IMGUI_BACKEND_HEADERS imgui_impl_sdlrenderer.h
    HINTS "${IMGUI_INCLUDEDIR}/backends" "${IMGUI_INCLUDE_DIRS}/backends"
    PATH_SUFFIXES imgui/backends)
if(NOT TOLMIX_IMGUI_BACKEND_HEADERS)
    message(FATAL_ERROR "Dear ImGui backend headers (imgui_impl_sdlrenderer.h) not found; install libimgui-dev.")
endif()

# Adds ImGui, its two SDL backends and SDL2 to `target`.
function(tolmix_add_imgui_backends target)
    target_sources(${target} PRIVATE ${TOLMIX_IMGUI_BACKEND_SOURCES})
    set_source_files_properties(${TOLMIX_IMGUI_BACKEND_SOURCES}
        TARGET_DIRECTORY ${target}
        PROPERTIES COMPILE_OPTIONS "-w")
    target_include_directories(${target} SYSTEM PUBLIC "${TOLMIX_IMGUI_BACKEND_HEADERS}")
    target_link_libraries(${target} PUBLIC PkgConfig::IMGUI SDL2::SDL2)
endfunction()
