#pragma once
// Pictures of the program's own drawing for controls: the icons of the main
// window's commands (toolbar, menus, recent files) in the style of the status
// icons, and the pictures of the eight models on the settings' Model page.
#include <QIcon>
#include <QPixmap>

namespace ControlPictures {

// What a command icon shows.
enum class Command {
    Open,             // folder
    OpenTape,         // folder and cassette
    OpenSnapshot,     // folder and camera
    SaveSnapshot,     // disk and camera
    Snapshot,         // camera: a snapshot file
    Reset,            // circular arrow
    HardReset,        // power switch
    Run,              // play
    Pause,            // two bars
    SoundOn,          // speaker with waves
    SoundOff,         // speaker crossed out
    Tape,             // cassette: the tape browser, a tape file
    Settings,         // gear
    Debugger,         // beetle
    Keyboard,         // keyboard
    Joystick,         // joystick
    Computer,         // a computer with its keyboard
    Display,          // monitor
    Picture,          // landscape
    PictureClip,      // clipboard holding a picture
    PictureBmp,       // picture and disk
    RecordSound,      // speaker and a red lamp
    Recording,        // film: an action recording
    PlayRecording,    // film and play
    CreateRecording,  // film and a red lamp
    ContinueRecording,// film and an arrow
    StopRecording,    // film and a square
    Poke,             // memory chip and pencil
    LoadMemory,       // memory chip, arrow in
    SaveMemory,       // memory chip, arrow out
    RomModule,        // module cartridge
    Storage,          // disk
    Printer,          // printer with paper
    InsertText,       // clipboard holding text
    Web,              // globe
    About,            // information sign
    Exit,             // door
    RecentFiles,      // clock
    OtherFile,        // a page of data
    Count
};

constexpr int kCommandSize = 16;
// Size of a model picture as drawn; it may be drawn to another width.
constexpr int kModelWidth = 60;
constexpr int kModelHeight = 34;
// The width on the settings' Model page, where four rows must fit.
constexpr int kModelPageWidth = 42;

// The picture drawn at size x size (16 or 32); the icon holds both.
QPixmap CommandPicture(Command command, int size = kCommandSize);
QIcon CommandIcon(Command command);

// Model 0..7 (Model-1 .. Model-C2717), width wide in the drawing's
// proportions; blank outside.
QPixmap ModelPicture(int model, int width = kModelWidth);

}  // namespace ControlPictures
