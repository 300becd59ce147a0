// SpriteStore.h — every picture of the program, shared by name.
//
// An object asks the store for its picture's name first and creates and loads the
// picture only when the store has none. The store owns the sprites and destroys them in
// the reverse order of their addition. With the user's own pictures (UseOwnPictures), a
// sprite loading a built-in name takes the user's picture for it instead (TakeOwnPicture).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "display/PictureStore.h"
#include "picturefiles/PictureFolder.h"

class CSprite;

class CSpriteStore : public CPictureStore {
public:
    static constexpr int32_t MAX_SPRITES = 50;

    CSpriteStore();
    ~CSpriteStore() override;

    CSpriteStore(const CSpriteStore&) = delete;
    CSpriteStore& operator=(const CSpriteStore&) = delete;

    // Takes ownership of the sprite. A 51st sprite does not fit: CFatalError.
    void Add(std::unique_ptr<CSprite> sprite);
    // The first sprite whose name is exactly `name` (letter case counts), or null.
    CSprite* Find(std::string_view name) const;
    // The sprite at 0 .. GetCount() − 1.
    CSprite* GetAt(int32_t index) const { return m_items[index].get(); }
    int32_t GetCount() const override { return m_count; }
    // The sprite at `index`, as the screen sees it.
    CScreenPicture* PictureAt(int32_t index) const override;
    // Destroys every sprite, last added first, and empties the store.
    void RemoveAll() override;

    // The user's pictures, which stand in for the built-in ones of the same name.
    void UseOwnPictures(std::unique_ptr<CPictureFolder> folder) { m_pOwnPictures = std::move(folder); }
    // The user's picture for the built-in name, handed over once; nullopt without one.
    std::optional<OwnPicture> TakeOwnPicture(std::string_view builtInName);

private:
    std::array<std::unique_ptr<CSprite>, MAX_SPRITES> m_items;
    int32_t m_count = 0;
    std::unique_ptr<CPictureFolder> m_pOwnPictures;   // null: the built-in pictures only
};
