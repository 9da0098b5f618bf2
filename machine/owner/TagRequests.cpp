#include "machine/owner/TagRequests.h"

#include "machine/core/RequestWords.h"
#include "machine/owner/OwnerLinks.h"

uint8_t TagRequests::RaiseTapeRequest(int request) {
    switch (request) {
        case TapeRequest::StopTape: pendingTape.fetch_or(kStopBit); break;
        case TapeRequest::NewTapeFile: pendingTape.fetch_or(kNewFileBit); break;
        case TapeRequest::AppendBlock: pendingTape.fetch_or(kAppendBit); break;
        default: break;
    }
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
    // Raised requests, while the browser is not busy with one of its own
    // operations (a dialog, a pause); each under its acknowledgement.
    struct Step {
        unsigned bit;
        int ack;
        void (TapeBrowserLink::*call)();
    };
    static constexpr Step kSteps[] = {
        {kStopBit, TapeRequest::StopTapeAck, &TapeBrowserLink::StopTape},
        {kNewFileBit, TapeRequest::NewTapeFileAck, &TapeBrowserLink::NewTapeFile},
        {kAppendBit, TapeRequest::AppendBlockAck, &TapeBrowserLink::AppendRecordedBlock},
    };
    for (const Step& step : kSteps) {
        if (tapeBrowser.load() != TapeRequest::Idle) break;
        if (!(pendingTape.load() & step.bit)) continue;
        tapeBrowser.store(step.ack);
        if (browser) (browser->*step.call)();
        tapeBrowser.store(TapeRequest::Idle);
        pendingTape.fetch_and(~step.bit);
    }
}
