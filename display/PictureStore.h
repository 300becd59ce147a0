// PictureStore.h — the screen's view of the store of every picture it keeps.
//
// The sprite store implements it: the screen owns the store, builds its palette from what
// is stored and empties it before the display goes, without knowing what a sprite is.
#pragma once

#include <cstdint>

class CScreenPicture;

class CPictureStore {
public:
    virtual ~CPictureStore() = default;

    // How many pictures are stored.
    virtual int32_t GetCount() const = 0;
    // The picture at 0 .. GetCount() − 1.
    virtual CScreenPicture* PictureAt(int32_t index) const = 0;
    // Destroys every picture, last added first, and empties the store.
    virtual void RemoveAll() = 0;

protected:
    CPictureStore() = default;
    CPictureStore(const CPictureStore&) = default;
    CPictureStore& operator=(const CPictureStore&) = default;
};
