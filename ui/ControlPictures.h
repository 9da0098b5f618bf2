#pragma once
// Pictures of the program's own drawing for controls: the icons of the main
// window's commands (toolbar, menus, recent files, the tape browser's
// buttons) in the style of the status icons, and the pictures of the eight
// models on the settings' Model page.
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
    NewImage,         // a blank page with a star: a new image file
    Eject,            // the eject sign
    Exchange,         // an arrow down beside an arrow up: swap two drives
    ChooseFolder,     // a folder holding a memory card
    Save,             // disk and an arrow into it
    Delete,           // a red cross
    Add,              // a green plus
    Remove,           // a red minus
    Refresh,          // two arrows in a circle
    NewTape,          // cassette with a star: a new, empty tape
    EditTape,         // cassette and pencil
    SaveTape,         // cassette and disk
    MoveUp,           // an arrow up
    MoveDown,         // an arrow down
    Menu,             // a pop-up menu with a row chosen
    Stop,             // a square
    FastLoading,      // a flash of lightning
    Monitoring,       // headphones
    CurrentBlock,     // an arrow pointing right: the block that plays next
    EditingTape,      // cassette and pencil on a lit page: the tape is being edited
    Count
};

// What the settings dialog's pictures show: the nine pages in page order,
// then the pictures of the page groups.
enum class Subject {
    General,      // a sheet of ticked options
    Model,        // a computer
    Display,      // monitor
    Sound,        // speaker with waves
    Controls,     // keyboard and joystick
    RomPackages,  // module cartridges
    DiskUnits,    // a disk drive and its disk
    TapeAndRaom,  // a cassette and a memory module
    Printers,     // a printer and a plotter's pen
    Language,     // speech bubbles
    FileTypes,    // a tape file with a tick
    Centronics,   // a printer and its cable's plug
    Count
};
constexpr int kPageCount = 9;  // the first nine subjects are the pages

// Icons of a ROM package's rows: 0 valid, 1 missing or unreadable, 2 bad
// size, 3 beyond the module's room.
constexpr int kRomStatusCount = 4;
constexpr int kRomStatusSize = 8;

constexpr int kCommandSize = 16;
// Size of a model picture as drawn; it may be drawn to another width.
constexpr int kModelWidth = 60;
constexpr int kModelHeight = 34;
// The width on the settings' Model page: its name plate reads there.
constexpr int kModelPageWidth = 66;
// The smallest pixel height of a name plate's letters that still reads.
constexpr int kPlateLetterPixels = 7;

// The picture drawn at size x size (16 or 32); the icon holds both.
QPixmap CommandPicture(Command command, int size = kCommandSize);
QIcon CommandIcon(Command command);
// The icon of a button that turns something on and off: in colour when on
// (checked), faded to grey when off.
QIcon ToggleIcon(Command command);
// The icon of a checkable button whose picture changes with its state: off
// unchecked, on checked.
QIcon TwoStateIcon(Command off, Command on);

// A subject's picture at size x size (24 in the settings tree, 40 in its
// header, 32 beside a group); the icon holds 24 and 40.
QPixmap SubjectPicture(Subject subject, int size);
QIcon SubjectIcon(Subject subject);

// A ROM package row's status icon (status above 3 shows 3).
QPixmap RomStatusPicture(int status, int size = kRomStatusSize);

// Model 0..7 (Model-1 .. Model-C2717), width wide in the drawing's
// proportions; blank outside.
QPixmap ModelPicture(int model, int width = kModelWidth);
// The pixel height of the capitals and digits on the model's name plate in
// the picture drawn width wide (0 for a model outside 0..7).
int PlateLetterHeight(int model, int width);

}  // namespace ControlPictures
