// DisplayObject.h — what every object of the display layer shares: the text of its last
// failure.
#pragma once

#include <string>

#include "platform/video/DisplayResult.h"

class CDisplayObject {
public:
    virtual ~CDisplayObject() = default;

    // What the last failing operation on this object said (SDL's text where SDL failed);
    // empty when nothing failed yet.
    const std::string& LastError() const { return m_lastError; }

protected:
    // Records why an operation failed and returns its result, for `return Fail(...)`.
    DisplayResult Fail(DisplayResult result, const std::string& why) const
    {
        m_lastError = why;
        return result;
    }

private:
    mutable std::string m_lastError;
};
