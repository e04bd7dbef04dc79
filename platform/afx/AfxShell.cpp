// SPDX-License-Identifier: Apache-2.0
#include "AfxShell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QMimeDatabase>
#include <QPixmap>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <set>
#include <spawn.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "AfxIcon.h"
#include "AfxPrompt.h"
#include "CodePage.h"

extern char** environ;

namespace afx {
namespace {

std::mutex g_commandsMutex;
std::string g_opener;
std::string g_mimeQuery;

std::string CommandOr(const std::string& set, const char* envVar, const char* fallback) {
    if (!set.empty()) {
        return set;
    }
    const char* env = std::getenv(envVar);
    return env && *env ? std::string(env) : std::string(fallback);
}

std::string Opener() {
    std::lock_guard lock(g_commandsMutex);
    return CommandOr(g_opener, "DOCSHELF_OPENER", "xdg-open");
}

std::string MimeQuery() {
    std::lock_guard lock(g_commandsMutex);
    return CommandOr(g_mimeQuery, "DOCSHELF_MIME_QUERY", "xdg-mime");
}

// Paths of the component are in the system code page; Qt wants UTF-16.
QString PathToQt(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// Like the shell's command lookup: a name with a slash is used as it is.
bool ProgramExists(const std::string& program) {
    if (program.empty()) {
        return false;
    }
    if (program.find('/') != std::string::npos) {
        return IsExecutableFile(program);
    }
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        std::string dir =
            dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (IsExecutableFile((dir.empty() ? "." : dir) + "/" + program)) {
            return true;
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return false;
}

std::vector<char*> ArgvPointers(const std::vector<std::string>& argv) {
    std::vector<char*> out;
    for (const std::string& a : argv) {
        out.push_back(const_cast<char*>(a.c_str()));
    }
    out.push_back(nullptr);
    return out;
}

// Children get /dev/null for stdin and stderr and none of our other descriptors.
void StandardActions(posix_spawn_file_actions_t& actions) {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
}

// Bundled 16x16 icons, for when the theme has none (or there is no GUI).
IconImage BundledIcon(bool folder) {
    IconImage img;
    img.argb.assign(16 * 16, 0x00000000);
    auto set = [&](int x, int y, uint32_t c) { img.argb[y * 16 + x] = c; };
    if (folder) {
        const uint32_t edge = 0xFF9C7A2A, body = 0xFFE8C25A, tab = 0xFFD9AE45;
        for (int y = 3; y <= 13; ++y) {
            for (int x = 1; x <= 14; ++x) {
                bool inTab = y <= 4 && x <= 6;
                if (y <= 4 && !inTab) {
                    continue;
                }
                bool border = y == 3 || y == 13 || x == 1 || x == 14 || (y == 5 && x > 6);
                set(x, y, border ? edge : (inTab ? tab : body));
            }
        }
    } else {
        const uint32_t edge = 0xFF7F7F7F, paper = 0xFFFFFFFF, fold = 0xFFD0D0D0;
        for (int y = 1; y <= 14; ++y) {
            for (int x = 3; x <= 12; ++x) {
                int corner = (x - 8) - (y - 1); // the folded top-right corner
                if (corner > 0) {
                    continue;
                }
                bool border = y == 14 || x == 3 || y == 1 || x == 12 || corner == 0;
                set(x, y, border ? edge : (x >= 8 && y <= 5 ? fold : paper));
            }
        }
    }
    return img;
}

bool CanUseGui() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    return app != nullptr && QThread::currentThread() == app->thread();
}

void DesktopDataDirs(std::vector<QString>& dirs) {
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty()) {
        home = QDir::homePath() + QStringLiteral("/.local/share");
    }
    dirs.push_back(home);
    QString system = qEnvironmentVariable("XDG_DATA_DIRS");
    if (system.isEmpty()) {
        system = QStringLiteral("/usr/local/share:/usr/share");
    }
    for (const QString& d : system.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        dirs.push_back(d);
    }
}

// Without a desktop platform theme (offscreen, minimal hosts) Qt searches no icon folders
// and names no theme. Then the XDG icon folders and Adwaita, installed with the component,
// are used; a host's own theme is left alone. Runs on the UI thread only.
void PrepareIconTheme() {
    static bool prepared = false;
    if (prepared) {
        return;
    }
    prepared = true;
    QStringList paths = QIcon::themeSearchPaths();
    std::vector<QString> dataDirs;
    DesktopDataDirs(dataDirs);
    for (const QString& dir : dataDirs) {
        QString icons = dir + QStringLiteral("/icons");
        if (!paths.contains(icons) && QDir(icons).exists()) {
            paths << icons;
        }
    }
    QIcon::setThemeSearchPaths(paths);
    if (QIcon::fallbackThemeName().isEmpty()) {
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    }
    if (QIcon::themeName().isEmpty()) {
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    }
}

bool IconFromTheme(const QStringList& names, IconImage& out) {
    if (!CanUseGui()) {
        return false;
    }
    PrepareIconTheme();
    for (const QString& name : names) {
        if (name.isEmpty()) {
            continue;
        }
        QIcon icon = QIcon::fromTheme(name);
        if (icon.isNull()) {
            continue;
        }
        QImage image = icon.pixmap(QSize(16, 16), 1.0).toImage();
        if (image.isNull()) {
            continue;
        }
        image = image.scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(QImage::Format_ARGB32);
        out.width = 16;
        out.height = 16;
        out.themeName = name.toStdString();
        out.argb.resize(16 * 16);
        for (int y = 0; y < 16; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
            std::copy(row, row + 16, out.argb.begin() + y * 16);
        }
        return true;
    }
    return false;
}

// Copies into a fixed buffer without cutting a UTF-8 character, then to the code page.
void CopyText(char* dst, size_t size, const QString& text) {
    std::string ansi = Utf8ToAnsi(text.toStdString());
    QString shortened = text;
    while (ansi.size() >= size && !shortened.isEmpty()) {
        shortened.chop(1);
        ansi = Utf8ToAnsi(shortened.toStdString());
    }
    std::memcpy(dst, ansi.data(), std::min(ansi.size(), size - 1));
    dst[std::min(ansi.size(), size - 1)] = '\0';
}

// One [Desktop Entry] group, by hand: QSettings mangles some desktop-file values.
bool ReadDesktopEntry(const QString& file, DesktopApp& app, QStringList& mimeTypes) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return false;
    }
    bool inEntry = false;
    QString type, name, exec;
    bool hidden = false;
    while (!f.atEnd()) {
        QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        if (!inEntry || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            continue;
        }
        QString key = line.left(eq).trimmed();
        QString value = line.mid(eq + 1).trimmed();
        if (key == QStringLiteral("Type")) {
            type = value;
        } else if (key == QStringLiteral("Name")) {
            name = value;
        } else if (key == QStringLiteral("Exec")) {
            exec = value;
        } else if (key == QStringLiteral("MimeType")) {
            mimeTypes = value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        } else if ((key == QStringLiteral("NoDisplay") || key == QStringLiteral("Hidden")) &&
                   value == QStringLiteral("true")) {
            hidden = true;
        }
    }
    if (type != QStringLiteral("Application") || exec.isEmpty() || hidden) {
        return false;
    }
    app.name = (name.isEmpty() ? QFileInfo(file).completeBaseName() : name).toStdString();
    app.exec = exec.toStdString();
    return true;
}

bool TakesFiles(const std::string& exec) {
    for (const char* code : {"%f", "%F", "%u", "%U"}) {
        if (exec.find(code) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace

void SetShellCommands(const std::string& opener, const std::string& mimeQuery) {
    std::lock_guard lock(g_commandsMutex);
    g_opener = opener;
    g_mimeQuery = mimeQuery;
}

std::vector<std::string> MimeTypesForPath(const std::string& path) {
    QMimeDatabase db;
    QMimeType type = db.mimeTypeForFile(PathToQt(path));
    std::vector<std::string> out;
    if (!type.isValid()) {
        return out;
    }
    out.push_back(type.name().toStdString());
    for (const QString& parent : type.allAncestors()) {
        out.push_back(parent.toStdString());
    }
    return out;
}

std::vector<DesktopApp> FindApplicationsForMime(const std::vector<std::string>& mimeTypes,
                                                bool includeOthers) {
    std::vector<QString> dirs;
    DesktopDataDirs(dirs);
    std::set<std::string> seen;
    std::vector<DesktopApp> matching, others;
    for (const QString& dir : dirs) {
        QDir apps(dir + QStringLiteral("/applications"));
        const QStringList files =
            apps.entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name);
        for (const QString& file : files) {
            DesktopApp app;
            app.id = file.toStdString();
            if (!seen.insert(app.id).second) {
                continue; // an earlier folder's entry of the same id wins
            }
            QStringList types;
            if (!ReadDesktopEntry(apps.filePath(file), app, types)) {
                continue;
            }
            for (const std::string& mime : mimeTypes) {
                if (types.contains(QString::fromStdString(mime))) {
                    app.forType = true;
                    break;
                }
            }
            if (app.forType) {
                matching.push_back(std::move(app));
            } else if (includeOthers && TakesFiles(app.exec)) {
                others.push_back(std::move(app));
            }
        }
    }
    matching.insert(matching.end(), others.begin(), others.end());
    return matching;
}

namespace {

// Words by the desktop-entry quoting rules: double quotes, backslash escapes inside them. False
// for a quote left open.
bool SplitDesktopExec(const std::string& exec, std::vector<std::string>& words) {
    std::string word;
    bool inWord = false, quoted = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < exec.size()) {
                word += exec[++i];
            } else {
                word += c;
            }
        } else if (c == '"') {
            quoted = true;
            inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return !quoted;
}

// A word with its field codes: "%%" is "%", any other code inside a word is dropped.
std::string WithoutFieldCodes(const std::string& w) {
    std::string out;
    for (size_t i = 0; i < w.size(); ++i) {
        if (w[i] != '%' || i + 1 >= w.size()) {
            out += w[i];
        } else if (w[++i] == '%') {
            out += '%';
        }
    }
    return out;
}

} // namespace

std::vector<std::string> ExpandDesktopExec(const std::string& exec, const std::string& path) {
    std::vector<std::string> words;
    if (!SplitDesktopExec(exec, words)) {
        return {};
    }
    std::vector<std::string> argv;
    bool placed = false;
    for (const std::string& w : words) {
        if (w == "%f" || w == "%F" || w == "%u" || w == "%U") {
            if (!placed) {
                argv.push_back(path);
                placed = true;
            }
            continue;
        }
        std::string out = WithoutFieldCodes(w);
        if (!out.empty() || w.empty()) {
            argv.push_back(out);
        }
    }
    if (argv.empty()) {
        return {};
    }
    if (!placed) {
        argv.push_back(path);
    }
    return argv;
}

bool LaunchDetached(const std::vector<std::string>& argv) {
    if (argv.empty() || !ProgramExists(argv[0])) {
        return false;
    }
    // A shell that puts the program in the background and ends at once: we wait for the
    // shell only, and the program is not left a zombie of ours.
    std::vector<std::string> shArgv = {"/bin/sh", "-c", "\"$0\" \"$@\" >/dev/null 2>&1 &"};
    shArgv.insert(shArgv.end(), argv.begin(), argv.end());
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    StandardActions(actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    std::vector<char*> args = ArgvPointers(shArgv);
    int rc = posix_spawn(&pid, "/bin/sh", &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

namespace {

// Reads the pipe until its end or the deadline, keeping at most 64 KiB; false when the time
// ran out.
bool ReadUntil(int fd, std::chrono::steady_clock::time_point deadline, std::string& output) {
    using Clock = std::chrono::steady_clock;
    char buf[4096];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd p{fd, POLLIN, 0};
        int n = ::poll(&p, 1, static_cast<int>(left.count()));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n != 0;
        }
        ssize_t got = ::read(fd, buf, sizeof buf);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return true; // end of output
        }
        // Only short answers are expected; a flood is not kept.
        if (output.size() < 65536) {
            output.append(buf, static_cast<size_t>(got));
        }
    }
}

} // namespace

bool RunAndCapture(const std::vector<std::string>& argv, int timeoutMs, std::string& output) {
    output.clear();
    if (argv.empty()) {
        return false;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    StandardActions(actions);
    pid_t pid = 0;
    std::vector<char*> args = ArgvPointers(argv);
    int rc = posix_spawnp(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return false;
    }
    const bool timedOut = !ReadUntil(
        fds[0], std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs), output);
    ::close(fds[0]);
    if (timedOut) {
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return !timedOut && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool OpenWithDialog(const std::string& path) {
    return Prompts().ChooseProgram(path);
}

} // namespace afx

uintptr_t SHGetFileInfo(const char* path, DWORD fileAttributes, SHFILEINFO* info, UINT infoSize,
                        UINT flags) {
    if (info == nullptr || infoSize < sizeof(SHFILEINFO)) {
        return 0;
    }
    std::memset(info, 0, sizeof(SHFILEINFO));
    const std::string name = path ? path : "";
    bool folder = false;
    if (flags & SHGFI_USEFILEATTRIBUTES) {
        folder = (fileAttributes & afx::kFileAttributeDirectory) != 0 || name == "*.";
    } else {
        struct stat st {};
        if (::stat(name.c_str(), &st) != 0) {
            return 0; // the file must exist when its attributes are not given
        }
        folder = S_ISDIR(st.st_mode);
    }
    QMimeDatabase db;
    QMimeType type;
    if (folder) {
        type = db.mimeTypeForName(QStringLiteral("inode/directory"));
    } else if (flags & SHGFI_USEFILEATTRIBUTES) {
        // "*.txt" and the like: only the extension is known.
        QString qname = afx::PathToQt(name);
        int dot = qname.lastIndexOf(QLatin1Char('.'));
        QString ext = dot >= 0 ? qname.mid(dot + 1) : QString();
        type = ext.isEmpty()
                   ? db.mimeTypeForName(QStringLiteral("application/octet-stream"))
                   : db.mimeTypeForFile(QStringLiteral("x.") + ext, QMimeDatabase::MatchExtension);
    } else {
        type = db.mimeTypeForFile(afx::PathToQt(name));
    }
    if (flags & SHGFI_ICON) {
        QStringList names;
        if (folder) {
            names << QStringLiteral("folder") << QStringLiteral("inode-directory");
        } else if (type.isValid()) {
            names << type.iconName() << type.genericIconName();
        }
        if (!folder) {
            names << QStringLiteral("text-x-generic") << QStringLiteral("application-x-generic");
        }
        afx::IconImage image;
        if (!afx::IconFromTheme(names, image)) {
            image = afx::BundledIcon(folder);
        }
        info->hIcon = afx::CreateIconFromImage(std::move(image));
    }
    if (flags & SHGFI_DISPLAYNAME) {
        size_t slash = name.find_last_of('/');
        std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
        std::snprintf(info->szDisplayName, sizeof info->szDisplayName, "%s", base.c_str());
    }
    if ((flags & SHGFI_TYPENAME) && type.isValid()) {
        afx::CopyText(info->szTypeName, sizeof info->szTypeName, type.comment());
    }
    return 1;
}

intptr_t ShellExecute(HWND, const char* verb, const char* file, const char*, const char* dir, int) {
    if (verb != nullptr && *verb != '\0' && ::strcasecmp(verb, "open") != 0) {
        return SE_ERR_NOASSOC;
    }
    if (file == nullptr || *file == '\0') {
        return SE_ERR_FNF;
    }
    std::string path = file;
    if (path[0] != '/') {
        // Never hand the opener a name it could read as an option ("-h").
        std::string base = dir != nullptr && *dir != '\0' ? dir : ".";
        path = base + (base.back() == '/' ? "" : "/") + path;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return SE_ERR_FNF;
    }
    // Associated when the desktop names a default program for the type or an ancestor.
    bool associated = false;
    const std::string query = afx::MimeQuery();
    std::vector<std::string> types = afx::MimeTypesForPath(path);
    if (types.size() > 4) {
        types.resize(4); // the nearest ancestors are enough
    }
    // One budget for all the queries: the caller is the user-interface thread.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (const std::string& mime : types) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        std::string out;
        if (afx::RunAndCapture({query, "query", "default", mime}, static_cast<int>(left.count()),
                               out) &&
            out.find_first_not_of(" \t\r\n") != std::string::npos) {
            associated = true;
            break;
        }
    }
    if (!associated) {
        return SE_ERR_NOASSOC;
    }
    // Without an opener nothing can open the file: as good as no program.
    if (!afx::LaunchDetached({afx::Opener(), path})) {
        return SE_ERR_NOASSOC;
    }
    return 42;
}
