// RecordingWindows.h — a pane, a frame and an application that note every handler the
// framework calls, for the framework's tests and the program's loop tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/framework/Application.h"
#include "platform/framework/ChildWindow.h"
#include "platform/framework/FrameWindow.h"
#include "platform/framework/ToolBar.h"
#include "tests/support/SdlEvents.h"

using Log = std::vector<std::string>;

// A pane that handles command 10 and notes its painting.
class CRecordingPane : public CChildWindow {
public:
    explicit CRecordingPane(Log& log) : m_log(log)
    {
        AddCommandHandler(10, [this] { m_log.push_back("pane 10"); });
    }
    void OnPaint() override { m_log.push_back("pane paint"); }

private:
    Log& m_log;
};

// A frame with a pane in front of its own routing; it handles commands 10 and 20 and notes
// every handler the framework calls.
class CRecordingFrame : public CFrameWindow {
public:
    explicit CRecordingFrame(Log& log, int32_t createResult = 0) : m_pane(log), m_log(log), m_createResult(createResult)
    {
        AddCommandHandler(10, [this] { m_log.push_back("frame 10"); });
        AddCommandHandler(20, [this] { m_log.push_back("frame 20"); });
    }

    bool OnCmdMsg(uint32_t command) override { return m_pane.OnCmdMsg(command) || CFrameWindow::OnCmdMsg(command); }

    CRecordingPane m_pane;
    CToolBar m_toolBar;
    std::function<void()> m_onTimer = [] {};   // runs after a timer message has been noted

protected:
    int32_t OnCreate() override
    {
        m_log.push_back("create");
        if (!m_pane.Create(*this, 1) || !m_toolBar.Create(*this, 2))
            return -1;
        return m_createResult;
    }
    void OnDestroy() override { m_log.push_back("destroy"); }
    void OnTimer(uint32_t id) override
    {
        m_log.push_back("timer " + std::to_string(id));
        m_onTimer();
    }
    void OnPaint() override { m_log.push_back("paint"); }
    void OnShowWindow(bool shown) override { m_log.push_back(shown ? "shown" : "hidden"); }
    bool OnEraseBkgnd() override
    {
        m_log.push_back("erase");
        return true;
    }

private:
    Log& m_log;
    int32_t m_createResult;
};

// An application that handles commands 10, 20 and 30.
class CRecordingApp : public CApplication {
public:
    explicit CRecordingApp(Log& log) : m_log(log)
    {
        for (uint32_t command : {10u, 20u, 30u})
            AddCommandHandler(command, [this, command] { m_log.push_back("app " + std::to_string(command)); });
    }

    // Makes and shows the recording frame as the main window.
    CRecordingFrame& MakeFrame(const FrameResources& resources = {})
    {
        auto frame = std::make_unique<CRecordingFrame>(m_log);
        CRecordingFrame& made = *frame;
        SetMainWindow(std::move(frame));
        EXPECT_TRUE(made.LoadFrame(resources));
        FlushEvents();   // the window system's own events on opening
        return made;
    }

private:
    Log& m_log;
};

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override { FlushEvents(); }
    void TearDown() override { FlushEvents(); }

    // Pumps every event waiting now.
    void PumpWaiting(CApplication& app)
    {
        while (app.HasMessageWaiting())
            ASSERT_TRUE(app.PumpMessage());
    }

    Log m_log;
};
