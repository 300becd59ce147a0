// GameObjectInside.h — the tests' one view inside an object of the world: its rectangle,
// motion, animation and sprite, and the background's frame-rate sample and readout, which
// the program keeps to the objects themselves but the tests set and check.
#pragma once

#include <cstdint>
#include <string>

#include "game/Background.h"
#include "game/GameObject.h"

class CGameObjectInside {
public:
    static int32_t& Depth(CGameObject& object) { return object.m_depth; }
    static CSprite*& Sprite(CGameObject& object) { return object.m_pSprite; }
    static Rect& Rectangle(CGameObject& object) { return object.m_rect; }
    static int32_t& SpeedX(CGameObject& object) { return object.m_speedX; }
    static int32_t& SpeedY(CGameObject& object) { return object.m_speedY; }
    static uint64_t& MoveAccX(CGameObject& object) { return object.m_moveAccX; }
    static uint64_t& MoveAccY(CGameObject& object) { return object.m_moveAccY; }
    static uint64_t& AnimAcc(CGameObject& object) { return object.m_animAcc; }
    static uint64_t& FramePeriod(CGameObject& object) { return object.m_framePeriod; }
    static uint32_t& Flags(CGameObject& object) { return object.m_flags; }
    static int32_t& Frame(CGameObject& object) { return object.m_frame; }
    static int32_t& FrameCount(CGameObject& object) { return object.m_frameCount; }
    // What a const world shows: where an object is, with which sprite and frame.
    static const Rect& Rectangle(const CGameObject& object) { return object.m_rect; }
    static CSprite* Sprite(const CGameObject& object) { return object.m_pSprite; }
    static int32_t Frame(const CGameObject& object) { return object.m_frame; }

    static int64_t& SumMs(CBackground& background) { return background.m_sumMs; }
    static int32_t& FramesCounted(CBackground& background) { return background.m_framesCounted; }
    static int64_t& AvgFrameMs(CBackground& background) { return background.m_avgFrameMs; }
    static bool& FullDraw(CBackground& background) { return background.m_bFullDraw; }
    static int32_t& RestoreDraws(CBackground& background) { return background.m_restoreDraws; }
    static std::string& ShownText(CBackground& background) { return background.m_shownText; }
};
