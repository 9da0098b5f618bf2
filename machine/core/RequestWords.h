#pragma once
// Values of the two request words shared by the emulation thread and the
// windows (the debugger's and the tape browser's Tag).

namespace DebuggerRequest {
enum : int {
    Running = 0,      // initial; the controls tick after RunRequest
    Stopped = -1,     // stopped in the debugger
    StopRequest = 5,  // breakpoint hit, step over or out complete
    StepOver = 7,     // step over running
    StepOut = 8,      // step out running
    RunRequest = 9,   // run requested (run, run to next)
};
}  // namespace DebuggerRequest

namespace TapeRequest {
enum : int {
    Idle = 0,
    Busy = 1,            // the browser is busy with a long operation
    ResumeRequest = 3,
    PauseAck = 4,
    PauseRequest = 5,
    NewTapeFile = 6,     // a header was saved and the tape has no file
    NewTapeFileAck = 7,
    AppendBlock = 8,     // a recorded block is complete
    AppendBlockAck = 9,
    StopTape = 10,
    StopTapeAck = 11,
};
}  // namespace TapeRequest
