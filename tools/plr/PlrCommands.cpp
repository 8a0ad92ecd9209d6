#include "tools/plr/PlrCommands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "model/Block.h"
#include "model/CollectionFile.h"
#include "model/RecordReader.h"
#include "model/ShellText.h"

int Fail(const std::string& message) {
    std::fprintf(stderr, "plr: %s\n", message.c_str());
    return 2;
}

bool WantsHelp(const std::vector<std::string>& args) {
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") return true;
    }
    return false;
}

std::unique_ptr<CBlock> LoadDocument(const std::string& path, std::vector<ReadProblem>* problems,
                                     RecordCounts* counts) {
    CBlock* root = new CBlock;
    root->m_bFolder = 1;
    root->m_strName = "Pelorand";
    RecordReadContext context;
    context.ppRoot = &root;
    context.problems = problems;
    context.counts = counts;
    ReadStatus status = ReadCollectionFile(path, context, nullptr);
    const int openError = errno;
    std::unique_ptr<CBlock> owned(root);
    if (status == ReadStatus::CannotOpen) {
        Fail("cannot open " + path + ": " + std::strerror(openError));
        return nullptr;
    }
    if (status == ReadStatus::ReadError) {
        Fail("error while reading " + path);
        return nullptr;
    }
    return owned;
}

std::string OneLine(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\\n";
        } else if (text[i] == '\t') {
            out += ' ';
        } else {
            out += text[i];
        }
    }
    return out;
}

namespace {

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// check and save end the process right after: the system takes its memory back at once, where
// freeing a million entries one by one costs a tenth of the run. Kept reachable from here, the
// tree is not a leak to a leak checker.
void KeepUntilExit(std::unique_ptr<CBlock> root) {
    static auto& kept = *new std::vector<CBlock*>;  // never destroyed, so never freeing them
    kept.push_back(root.release());
}

bool ParseFileArgs(const std::vector<std::string>& args, std::size_t wanted,
                   std::vector<std::string>& files, char* form) {
    for (const auto& a : args) {
        if (form && (a == "--raw" || a == "--utf8")) {
            *form = a[2];
        } else if (!a.empty() && a[0] == '-' && a.size() > 1) {
            Fail("unknown option '" + a + "'");
            return false;
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != wanted) {
        Fail(wanted == 1 ? "expected one FILE (see --help)" : "expected IN and OUT (see --help)");
        return false;
    }
    return true;
}

}  // namespace

int RunCheck(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    if (!ParseFileArgs(args, 1, files, nullptr)) return 2;
    std::vector<ReadProblem> problems;
    RecordCounts counts;
    auto root = LoadDocument(files[0], &problems, &counts);
    if (!root) return 2;
    if (!counts.counted) {
        // The document is still the empty one made before reading.
        std::vector<CBlock*> folders;
        root->CollectFolders(folders, true);
        // Every entry but the root is a child of a folder; the rest of them are the files.
        long entries = 1;
        for (CBlock* f : folders) entries += f->m_Children.GetCount();
        counts.folders = static_cast<long>(folders.size());
        counts.files = entries - counts.folders;
    }
    std::printf("folders %ld files %ld\n", counts.folders, counts.files);
    for (const auto& p : problems) std::printf("line %ld: %s\n", p.line, p.reason.c_str());
    KeepUntilExit(std::move(root));
    return 0;
}

constexpr std::size_t kIndentLevels = 40;

int RunTree(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    char form = 't';  // the terminal's text, or 'r'aw bytes, or 'u'tf-8 even on Windows
    if (!ParseFileArgs(args, 1, files, &form)) return 2;
    const auto shown = [form](const std::string& text) {
#ifdef _WIN32
        if (form == 'u') return ToUtf8(text);
#endif
        return form == 'r' ? text : TerminalText(text);
    };
    auto root = LoadDocument(files[0], nullptr);
    if (!root) return 2;
    std::vector<std::pair<const CBlock*, std::size_t>> pending{{root.get(), 0}};
    std::string line;
    while (!pending.empty()) {
        auto [entry, depth] = pending.back();
        pending.pop_back();
        // Deep nesting would print a line's worth of blanks per level (a million-deep file,
        // a terabyte): past kIndentLevels the depth is printed as a number instead.
        if (depth <= kIndentLevels) {
            line.assign(depth * 2, ' ');
        } else {
            line.assign(kIndentLevels * 2, ' ');
            line += "(" + std::to_string(depth) + ") ";
        }
        if (entry->m_bFolder) {
            line += "[" + OneLine(shown(entry->m_strName.str())) + "]";
        } else {
            line += OneLine(shown(entry->m_strName.str()));
        }
        line += "\t" + shown(GetPriorityLabel(entry->m_nPriority));
        line += "\t" + OneLine(shown(entry->GetAuthor()));
        line += "\t" + OneLine(shown(entry->GetComment()));
        line += entry->m_bInherit ? "\tI" : "\t-";
        line += entry->m_bChangerEnabled ? "\tC\n" : "\t-\n";
        Print(line);
        for (int i = entry->m_Children.GetCount() - 1; i >= 0; --i) {
            pending.emplace_back(entry->m_Children.GetAtIndex(i), depth + 1);
        }
    }
    return 0;
}

int RunSave(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    if (!ParseFileArgs(args, 2, files, nullptr)) return 2;
    auto root = LoadDocument(files[0], nullptr);
    if (!root) return 2;
    std::string error;
    if (!WriteCollectionFile(files[1], *root, error)) {
        return Fail("cannot write " + files[1] + ": " + error);
    }
    KeepUntilExit(std::move(root));
    return 0;
}

// Said in the help of every command that edits a collection.
#define PLR_SAVED_NOTE                                                                        \
    "The file is saved as plr save saves it, and one line says what was done. Bad input\n"    \
    "is answered with a message and exit 2, the file unchanged; so is a file with\n"          \
    "records the reader had to skip (see plr check), which saving would drop.\n"
#define PLR_ITEM_NOTE                                                                         \
    "\nAn ITEM names a folder or an entry by the names on the way down from the root folder\n" \
    "(the root itself not written; \"/\" alone is the root), joined by \"/\": a folder\n"     \
    "by its name, or by its last part when the name is a disk path (an imported\n"           \
    "folder \".../pics/sea\" is \"sea\"); an entry by its file name (\"sea/a.jpg\"). A \"/\"\n" \
    "inside a name is written twice: \"AC//DC\" is the folder named \"AC/DC\". A name\n"      \
    "that matches more than one item is refused and the matches are listed.\n"

const std::vector<PlrCommand>& PlrCommands() {
    static const std::vector<PlrCommand> commands = {
        {"check", "read a collection and report what had to be skipped",
         "usage: plr check FILE\n\n"
         "Reads FILE as the editor opens a collection and prints 'folders N files M',\n"
         "then one line per record that was skipped or could not be placed.\n"
         "Exit 0 when the file was read, 2 when it could not be opened or read.\n",
         RunCheck},
        {"tree", "print the folders and entries of a collection",
         "usage: plr tree FILE [--raw | --utf8]\n\n"
         "Prints the tree, two spaces of indent per level (below 40 levels, 80 spaces and\n"
         "the level in parentheses, as \"(41) \"): folders as [name], files as\n"
         "their path, then TAB-separated the priority label, author, comment, and the\n"
         "inherit and changer flags as I/- and C/-. On Linux text is printed in UTF-8: the\n"
         "collection's CP932 converted, names that are UTF-8 already (as collections made\n"
         "on Linux hold them) as they are; on Windows as the file's own bytes. --raw prints\n"
         "the file's own bytes, --utf8 UTF-8 (CP932 converted) on either system. Line\n"
         "breaks in values print as \\n.\n",
         RunTree},
        {"save", "read a collection and write it anew",
         "usage: plr save IN OUT\n\n"
         "Reads IN as a collection and writes it to OUT. OUT is replaced only once the\n"
         "new file is fully written: a failure leaves any old OUT as it was. The new file\n"
         "keeps OUT's permissions; when OUT is a symbolic link, the file it leads to is\n"
         "written. A read-only OUT is refused (exit 2).\n",
         RunSave},
        {"rebase", "write a collection with its relative picture paths made whole",
         "usage: plr rebase IN OUT DIR\n\n"
         "Reads IN and writes it to OUT (as save does) with every file entry whose path is\n"
         "relative (no drive letter, no leading \\ or /) put under DIR, which must be a\n"
         "whole path. Prints 'rebased N entries'. The sample collection that comes with\n"
         "the program names its pictures relative to its own folder and is written this way.\n",
         RunRebase},
        {"simulate", "run the wallpaper changer's ticks over a collection",
         "usage: plr simulate FILE [--mode turn|random] [--filetype TEXT] [--raw]\n"
         "                    --start \"YYYY-MM-DD HH:MM:SS\" [--interval SECONDS] [--ticks N]\n\n"
         "Loads FILE as the wallpaper changer does and runs N ticks (default 10). --start is\n"
         "a local time in the process's time zone (TZ); tick k happens at that moment plus\n"
         "k x SECONDS (default 600), seeded and summed from that moment as the changer is.\n"
         "--mode and --filetype stand for the options (defaults: random, \"BMP JPG HTML\").\n"
         "Prints one line per tick: 'k<TAB>-' when the tick changes nothing, else\n"
         "k, the path set, then the information window's name, priority label, author and\n"
         "comment, TAB-separated, line breaks as \\n, in the terminal's text as plr tree\n"
         "prints it (--raw: the file's own bytes). Directory entries are searched on disk;\n"
         "nothing is set on the desktop.\n",
         RunSimulate},
        {"thumbs", "print the thumbnail page the editor would write for some paths",
         "usage: plr thumbs [--file-type T] [--width N] [--height N] [--hspace N]\n"
         "                  [--vspace N] [--border N] [--] PATH...\n\n"
         "Prints the page of thumbnails for the paths, in that order, each once: a file\n"
         "gives its own line, a directory one line per file whose extension is one of the\n"
         "file types T (default \"BMP JPG HTML\"), in the order the directory is read.\n"
         "Sizes default to the editor's: width 120, height 160, spacing 10 and 10, border 1.\n"
         "The paths are written as given, with CR LF line ends.\n",
         RunThumbs},
        {"new", "make a new collection file",
         "usage: plr new FILE [--name TEXT]\n\n"
         "Writes a new collection to FILE with its root folder named TEXT (default\n"
         "\"Pelorand\", as the editor names it). An existing FILE is never overwritten.\n"
         "Texts are kept in the collection's code page, CP932; a character it has no\n"
         "spelling for is refused.\n",
         RunNew},
        {"import", "add disk folders with their pictures and sub-folders",
         "usage: plr import FILE DIR... [--into FOLDER] [--filetype TEXT]\n\n"
         "Each disk folder DIR becomes a folder of the collection, named by its whole path,\n"
         "inside FOLDER (default the root), holding its files of the file types and its\n"
         "sub-folders, in the order the disk lists them, as the editor's import does. The\n"
         "file types are the option FileType of the settings (on Linux\n"
         "$XDG_CONFIG_HOME/pelorand/pelorand.ini, section [Option]; default\n"
         "\"BMP JPG HTML\"), or TEXT. The new folder and what it holds at once take FOLDER's\n"
         "priority, author, comment and inherit flag. Folders deeper than 128 levels are\n"
         "not followed; they, folders that could not be read, and names the collection\n"
         "cannot hold (on Windows: names without a CP932 spelling) are left out and listed\n"
         "on standard error. On Linux names are kept as the file system has them.\n"
         PLR_SAVED_NOTE PLR_ITEM_NOTE,
         RunImport},
        {"add", "add pictures, or disk folders as directory entries",
         "usage: plr add FILE PATH... [--into FOLDER]\n\n"
         "Each PATH becomes an entry of FOLDER (default the root), named by its whole\n"
         "path: a file as a picture, a disk folder as a directory entry, from which the\n"
         "changer picks a file of the file types at each change. The entries have the\n"
         "default properties (priority 2, author and comment \"?\", changer on).\n"
         PLR_SAVED_NOTE PLR_ITEM_NOTE,
         RunAdd},
        {"mkdir", "make a folder in a collection",
         "usage: plr mkdir FILE FOLDER\n\n"
         "Makes the folder FOLDER, an ITEM whose last name is the new folder's and whose\n"
         "other names lead to the folder it goes in. As in the editor, the new folder takes\n"
         "its parent's priority, author, comment and inherit flag. A name already there is\n"
         "refused.\n"
         PLR_SAVED_NOTE PLR_ITEM_NOTE,
         RunMkdir},
        {"rm", "remove folders or entries from a collection",
         "usage: plr rm FILE ITEM...\n\n"
         "Removes each ITEM, a folder with all it holds. The root folder cannot be removed.\n"
         "Nothing is removed from the disk.\n"
         PLR_SAVED_NOTE PLR_ITEM_NOTE,
         RunRm},
        {"mv", "move folders or entries into another folder",
         "usage: plr mv FILE ITEM... --into FOLDER\n\n"
         "Moves each ITEM, with what it holds, to the end of FOLDER. The root folder does\n"
         "not move, and a folder does not go into itself or a folder below it.\n"
         PLR_SAVED_NOTE PLR_ITEM_NOTE,
         RunMv},
        {"set", "set the properties of folders or entries",
         "usage: plr set FILE ITEM... [--priority 0-4] [--author TEXT] [--comment TEXT]\n"
         "                   [--inherit on|off] [--changer on|off] [--recursive]\n\n"
         "Sets the given properties of each ITEM, as the properties dialog does: the\n"
         "priority level (0, shown most often, to 4, least often), author, comment, the\n"
         "inherit flag (the entry takes the priority and texts of the folder above it) and\n"
         "the changer flag (the changer picks from it). The rest stay as they are. A folder\n"
         "gives the properties set to everything it holds, at every depth, only with\n"
         "--recursive.\n"
         PLR_SAVED_NOTE PLR_ITEM_NOTE,
         RunSet},
#ifndef _WIN32
        {"run", "change the desktop wallpaper from a collection at an interval",
         "usage: plr run [FILE] [--interval S] [--mode turn|random] [--filetype T] [--end FILE]\n"
         "                    [--fit none|center|tile|stretch|fit|fill]\n"
         "                    [--setter NAME | --setter-command 'CMD {}']\n"
         "                    [--history FILE | --no-history] [--timeout S] [--notify]\n"
         "                    [--json] [--replace] [--per-monitor]\n\n"
         "The wallpaper changer: loads FILE as the Windows changer does and, every S seconds\n"
         "(the first time S seconds after the start), picks the next wallpaper with the same\n"
         "rules and sets it. Each change prints one UTF-8 line:\n"
         "  HH:MM:SS<TAB>path<TAB>name<TAB>priority label<TAB>author<TAB>comment\n"
         "or, with --json, one JSON object a line (see below). Only pictures are set (JPEG,\n"
         "PNG, GIF, BMP or WebP, by their header, up to 64 Mi pixels); anything else is passed\n"
         "over until the next tick. Why nothing changes (a collection with nothing to show, a\n"
         "missing file, a folder without a file of the types, not a picture) is said once on\n"
         "standard error; a file that cannot be set is reported there each time, and the\n"
         "changer goes on. SIGTERM, SIGINT or SIGHUP end it at once, even during a change:\n"
         "the command running is stopped, the end wallpaper is set when there is one, and the\n"
         "exit code is 0. A collection that cannot be read, a file that is no collection, or a\n"
         "setter whose tool is missing ends it at once with exit 2.\n\n"
         "Without FILE it runs the collection named by ExecuteFile in the settings file\n"
         "(below), as the Windows changer does. One plr run a user: a second one says that\n"
         "one runs already and ends with exit 2; with --replace it asks the running one to\n"
         "end (its end wallpaper is set) and takes its place. plr next, pause, resume and\n"
         "status steer it through a socket in $XDG_RUNTIME_DIR/pelorand/ (a folder of mode\n"
         "0700; only the same user is answered). Without XDG_RUNTIME_DIR it runs unsteered.\n\n"
         "Defaults come from $XDG_CONFIG_HOME/pelorand/pelorand.ini (~/.config when unset),\n"
         "section [Option], with the Windows program's names: ChangerType (600), ModType\n"
         "(1 = random, 0 = in turn), FileType (\"BMP JPG HTML\"), EndFileSetCheck,\n"
         "EndFileName and FitType (0 leaves the desktop's choice, 1 center, 2 tile,\n"
         "3 stretch, 4 fit, 5 fill), and ExecuteFile (the collection run without FILE); the\n"
         "flags override them. A value that is no whole number\n"
         "is told with its line, and the default is used. The last 100 changes are kept in\n"
         "$XDG_STATE_HOME/pelorand/history (~/.local/state when unset) or --history FILE\n"
         "(a file that is no regular file, such as /dev/null, gets each line appended);\n"
         "--no-history keeps none.\n\n"
         "--per-monitor (or CheckPerMonitor=1) gives each monitor a picture of its own at\n"
         "every change: the first monitor takes the next folder, each other monitor the folder\n"
         "after it, and each change prints a line per monitor with the monitor's name added\n"
         "last (\"monitor\" in JSON). The monitors are asked for at every change: XFCE's\n"
         "monitor properties, sway's outputs (swaymsg; one swaybg shows them all), Plasma's\n"
         "screens, RandR's monitors (xrandr) for xwallpaper (--output, the primary first) and\n"
         "feh (a file per screen). The other desktops show one picture on every monitor:\n"
         "that is said once, and one is set for all.\n\n"
         "Setters (--setter NAME; chosen from XDG_CURRENT_DESKTOP, then SWAYSOCK,\n"
         "HYPRLAND_INSTANCE_SIGNATURE and DISPLAY, when not named), with what the fit sets:\n"
         "  gnome     gsettings org.gnome.desktop.background picture-uri (and -dark)\n"
         "            (GNOME, Unity, Budgie); fit: picture-options\n"
         "  cinnamon  gsettings org.cinnamon.desktop.background picture-uri; picture-options\n"
         "  mate      gsettings org.mate.background picture-filename; picture-options\n"
         "  kde       the Plasma shell's evaluateScript over D-Bus (qdbus or gdbus),\n"
         "            every desktop; fit: FillMode\n"
         "  xfce      xfconf-query: every last-image property of xfce4-desktop; image-style\n"
         "  sway      swaybg -o '*' -i FILE -m MODE, kept running (sway and wlroots\n"
         "            compositors), and the swaybg of sway's own output bg ended;\n"
         "            fit: the mode (fill when the fit is left alone)\n"
         "  hyprland  hyprctl hyprpaper preload and wallpaper, on every monitor; no fit\n"
         "  lxqt      pcmanfm-qt --set-wallpaper FILE; fit: --wallpaper-mode\n"
         "  lxde      pcmanfm --set-wallpaper FILE, while its desktop manager runs;\n"
         "            fit: --wallpaper-mode\n"
         "  x         the first of xwallpaper, feh, hsetroot (on X, outside a Wayland\n"
         "            session); xwallpaper, feh and hsetroot name one of them; fit: their\n"
         "            own flags (filling the screen when the fit is left alone)\n"
         "  --setter-command 'CMD {}' runs CMD with {} replaced by the file (the file is\n"
         "            added last when there is no {}); words split as a shell would split\n"
         "            them, with quotes, but nothing is expanded and no shell runs. The\n"
         "            command gets every file, picture or not.\n"
         "Commands are run directly, never through a shell, each in a process group of its\n"
         "own, and stopped with all they started after --timeout seconds (default 15); one\n"
         "that is stopped counts as a failure.\n"
         "--notify shows each change as a desktop notification (notify-send or gdbus).\n\n"
         "--json prints each change as {\"time\":\"YYYY-MM-DD HH:MM:SS\",\"path\":...,\n"
         "\"name\":...,\"priority\":N,\"label\":...,\"author\":...,\"comment\":...}: the\n"
         "texts in UTF-8 (the collection's CP932 converted), author and comment as stored,\n"
         "the path the file's own on this system (a Wine path on drive Z: made local).\n"
         "The path's bytes round-trip: valid UTF-8 stays as it is, and each byte that is no\n"
         "part of it is written as \\u00XX inside \"pathBytes\", a string whose characters\n"
         "U+0000 to U+00FF are the path's bytes one by one (given only when the path is not\n"
         "UTF-8; \"path\" then has U+FFFD for each such byte).\n\n"
         "For tests only: --start \"YYYY-MM-DD HH:MM:SS\" makes tick k draw as if at that\n"
         "local moment plus k x S (as plr simulate does), one tick right after the other\n"
         "without waiting; --ticks N ends after N ticks as a signal would.\n",
         RunRun},
        {"next", "tell the running plr run to change the wallpaper now",
         "usage: plr next\n\n"
         "The user's running plr run changes the wallpaper at once, paused or not, and the\n"
         "next change comes a full interval later. Prints the change as plr run prints it.\n"
         "A draw that lands on nothing (a folder of folders) is followed by more, up to 64.\n"
         "Exit 0 when it changed, 1 when no plr run is running (or nothing could be\n"
         "changed to), 2 on other failures.\n",
         RunNext},
        {"pause", "hold the running plr run's wallpaper",
         "usage: plr pause\n\n"
         "The user's running plr run stops changing the wallpaper until plr resume (plr next\n"
         "still changes it once). Exit 1 when no plr run is running.\n",
         RunPause},
        {"resume", "let a paused plr run change again",
         "usage: plr resume\n\n"
         "The user's paused plr run goes on; its next change comes a full interval later.\n"
         "Exit 1 when no plr run is running.\n",
         RunResume},
        {"status", "say what the running plr run shows and when it changes next",
         "usage: plr status\n\n"
         "Prints, one TAB-separated line each: picture (the file shown), name, priority,\n"
         "author, comment, paused (yes or no) and next change (YYYY-MM-DD HH:MM:SS, local\n"
         "time). Exit 1 when no plr run is running.\n",
         RunStatus},
        {"history", "print the wallpapers that plr run set",
         "usage: plr history [--history FILE]\n\n"
         "Prints the last 100 wallpapers that plr run set, oldest first, one\n"
         "'YYYY-MM-DD HH:MM:SS<TAB>path' line each, from $XDG_STATE_HOME/pelorand/history\n"
         "(~/.local/state when unset) or FILE. Nothing is printed before the first change;\n"
         "a directory is refused.\n",
         RunHistory},
#endif
    };
    return commands;
}
