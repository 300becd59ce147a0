// SpriteStore.cpp — the store of shared pictures.
#include "sprites/SpriteStore.h"

#include <string>

#include "platform/bitmaps/FatalError.h"
#include "sprites/Sprite.h"

CSpriteStore::CSpriteStore() = default;

CSpriteStore::~CSpriteStore()
{
    RemoveAll();
}

CScreenPicture* CSpriteStore::PictureAt(int32_t index) const
{
    return GetAt(index);
}

void CSpriteStore::Add(std::unique_ptr<CSprite> sprite)
{
    if (m_count >= MAX_SPRITES)
        throw CFatalError("sprite store: no room for '" + sprite->Name() + "' (at most " +
                          std::to_string(MAX_SPRITES) + " sprites)");
    m_items[m_count++] = std::move(sprite);
}

CSprite* CSpriteStore::Find(std::string_view name) const
{
    for (int32_t i = 0; i < m_count; ++i)
        if (m_items[i]->Name() == name)
            return m_items[i].get();
    return nullptr;
}

void CSpriteStore::RemoveAll()
{
    for (int32_t i = m_count - 1; i >= 0; --i)
        m_items[i].reset();
    m_count = 0;
}

std::optional<OwnPicture> CSpriteStore::TakeOwnPicture(std::string_view builtInName)
{
    return m_pOwnPictures ? m_pOwnPictures->Take(builtInName) : std::nullopt;
}
