#include "machine/owner/TagRequests.h"

#include <chrono>
#include <thread>

#include "machine/core/RequestWords.h"
#include "machine/owner/OwnerLinks.h"

uint8_t TagRequests::RaiseTapeRequest(int request, const std::atomic<int>& closing) {
    int sleepMs = 0;
    switch (request) {
        case TapeRequest::StopTape: sleepMs = 25; break;
        case TapeRequest::NewTapeFile: sleepMs = 500; break;
        case TapeRequest::AppendBlock: sleepMs = 50; break;
        default: return 1;
    }
    tapeBrowser.store(request);
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
    } while (tapeBrowser.load() == request + 1 && closing.load() != 1);
    return 1;
}

void TagRequests::Serve(PauseControl pause, DebuggerLink* link, TapeBrowserLink* browser) {
    const int dt = debugger.load();
    if (dt == DebuggerRequest::StepOver || dt == DebuggerRequest::StepOut || dt == DebuggerRequest::RunRequest) {
        if (dt == DebuggerRequest::RunRequest) debugger.store(DebuggerRequest::Running);
        pause(0, 0);
    } else if (dt == DebuggerRequest::StopRequest) {
        if (link) link->OpenDebugger();
    }
    switch (tapeBrowser.load()) {
        case TapeRequest::PauseRequest:
            tapeBrowser.store(TapeRequest::PauseAck);
            pause(1, 0);
            break;
        case TapeRequest::ResumeRequest:
            tapeBrowser.store(TapeRequest::Idle);
            pause(0, 0);
            break;
        case TapeRequest::NewTapeFile:
            tapeBrowser.store(TapeRequest::NewTapeFileAck);
            if (browser) browser->NewTapeFile();
            tapeBrowser.store(TapeRequest::Idle);
            break;
        case TapeRequest::AppendBlock:
            tapeBrowser.store(TapeRequest::AppendBlockAck);
            if (browser) browser->AppendRecordedBlock();
            tapeBrowser.store(TapeRequest::Idle);
            break;
        case TapeRequest::StopTape:
            tapeBrowser.store(TapeRequest::StopTapeAck);
            if (browser) browser->StopTape();
            tapeBrowser.store(TapeRequest::Idle);
            break;
        default:
            break;
    }
}
