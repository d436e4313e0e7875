// Lines the card's backend says to the user (a switching operation the driver lacks, ...),
// carried from the tuning thread that says them to the main window's message pane.
//
// Call from the user-interface thread; the observer it returns may be called on any thread,
// and does nothing once the window has gone.
#pragma once

#include <functional>
#include <string>

class CMainFrame;

std::function<void(const std::string&)> NoticesToMessagePane(CMainFrame& frame);
