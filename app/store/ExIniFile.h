#pragma once
// The settings store: an INI file held in memory, found from a base folder and a file name, read once
// and, with AutoUpdate, written back whole after every change. Window bounds go through TFormBounds,
// so this stays free of widgets; app/FormBounds.h adapts a window to it.
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTime>
#include <memory>
#include <optional>

#include "app/store/IniDocument.h"

namespace tf {

enum TBaseDir { bdWindows, bdApplication, bdAppData, bdNone };
enum TFence { fcNone, fcDoubleQuote, fcSingleQuote };

// The folders behind the base-folder settings and the executable's file name.
struct TBaseFolders {
    QString windows;        // stands for the Windows directory: /etc
    QString application;    // the executable's folder
    QString appData;        // the user's configuration folder ($XDG_CONFIG_HOME, else ~/.config)
    QString executableName; // without folder
    bool installed = false; // the program was installed with its menu entry (under /usr, say)
};
TBaseFolders SystemBaseFolders();
// Tests point the store at folders of their own; nullopt goes back to the system's.
void SetBaseFoldersOverride(std::optional<TBaseFolders> folders);
TBaseFolders CurrentBaseFolders();

// Where a file named without a folder lives for bdApplication. Beside the executable when that folder
// can be written and the program is not an installed one; otherwise in <appData>/<executable>/, read
// after a file beside the executable (if any) so that the user's values win over the ones shipped there.
struct TIniLocation {
    QString path;        // where the file is written
    QString defaultPath; // read first when not empty; path's own values win
    bool createFolder = false; // the folder of path is made when missing
};
TIniLocation ApplicationIniLocation(const TBaseFolders &folders, const QString &name);

// The window placement record: flags, show state, maximized position and the restored rectangle's edges.
struct TWindowPlacement {
    int Flags = 0;
    int ShowCmd = 1; // 1 normal, 2 minimized, 3 maximized
    QPoint MaxPosition{-1, -1};
    QRect NormalPosition; // left, top, right and bottom edges are what is stored
};

// A window as the store sees it. Bounds are the window's position in screen pixels and its size.
class TFormBounds {
public:
    virtual ~TFormBounds() = default;
    virtual QRect Bounds() const = 0;
    virtual void SetBounds(const QRect &bounds) = 0;
    virtual TWindowPlacement Placement() const = 0;
    virtual void SetPlacement(const TWindowPlacement &placement) = 0;
};

// A font as stored: face name, size in points, style bits (bold 1, italic 2, underline 4,
// strike-out 8) and colour.
struct TFontRecord {
    QString Name;
    int Size = 8;
    int Style = 0;
    quint32 Color = 0;
    bool operator==(const TFontRecord &) const = default;
};

// The document and the file it belongs to.
class TMemIniFile {
public:
    // Reads the file when one exists at the location (defaultPath first); throws tf::Error when it
    // exists and cannot be read.
    explicit TMemIniFile(const TIniLocation &location, bool caseSensitive = false);
    const QString &FileName() const { return m_path; }
    TIniDocument &Document() { return m_doc; }
    const TIniDocument &Document() const { return m_doc; }
    // Replaces the file atomically (a temporary file renamed over it); throws tf::Error on failure,
    // leaving the document modified and the old file as it was.
    void UpdateFile();

private:
    QString m_path;
    bool m_createFolder = false;
    TIniDocument m_doc;
};

class TExIniFile : public QObject {
    Q_OBJECT
public:
    explicit TExIniFile(QObject *owner = nullptr);
    ~TExIniFile() override;

    TBaseDir BaseDir() const { return FBaseDir; }
    void SetBaseDir(TBaseDir value);
    QString FileName() const { return FFileName; }
    void SetFileName(const QString &value);
    TFence Fence() const { return FFence; }
    void SetFence(TFence value) { FFence = value; }
    bool CaseSensitive() const;
    void SetCaseSensitive(bool value);
    bool AutoUpdate() const { return FAutoUpdate; }
    void SetAutoUpdate(bool value) { FAutoUpdate = value; }

    // The owner has set its properties: an unnamed store takes the executable's name with ".ini".
    void Loaded();
    // The resolved path of the file, empty while there is no document.
    QString Path() const;

    QString ReadString(const QString &Section, const QString &Ident, const QString &Default);
    void WriteString(const QString &Section, const QString &Ident, const QString &Value);
    int ReadInteger(const QString &Section, const QString &Ident, int Default);
    void WriteInteger(const QString &Section, const QString &Ident, int Value);
    QString ReadStr(const QString &Section, const QString &Ident, const QString &Default);
    void WriteStr(const QString &Section, const QString &Ident, const QString &Value);
    int ReadInt(const QString &Section, const QString &Ident, int Default);
    void WriteInt(const QString &Section, const QString &Ident, int Value);
    bool ReadBool(const QString &Section, const QString &Ident, bool Default);
    void WriteBool(const QString &Section, const QString &Ident, bool Value);
    double ReadFloat(const QString &Section, const QString &Ident, double Default);
    void WriteFloat(const QString &Section, const QString &Ident, double Value);
    QDate ReadDate(const QString &Section, const QString &Ident, const QDate &Default);
    void WriteDate(const QString &Section, const QString &Ident, const QDate &Value);
    QDateTime ReadDateTime(const QString &Section, const QString &Ident, const QDateTime &Default);
    void WriteDateTime(const QString &Section, const QString &Ident, const QDateTime &Value);
    QTime ReadTime(const QString &Section, const QString &Ident, const QTime &Default);
    void WriteTime(const QString &Section, const QString &Ident, const QTime &Value);
    QByteArray ReadBinaryStream(const QString &Section, const QString &Ident);
    void WriteBinaryStream(const QString &Section, const QString &Ident, const QByteArray &Value);
    quint32 ReadHex(const QString &Section, const QString &Item, quint32 Default);
    void WriteHex(const QString &Section, const QString &Item, quint32 Value);
    quint32 ReadColor(const QString &Section, const QString &Item, quint32 Default);
    void WriteColor(const QString &Section, const QString &Item, quint32 Value);
    void ReadList(const QString &Section, const QString &Item, QStringList &List);
    void WriteList(const QString &Section, const QString &Item, const QStringList &Value);
    void ReadFont(const QString &Section, const QString &Item, TFontRecord &Font);
    void WriteFont(const QString &Section, const QString &Item, const TFontRecord &Value);
    void ReadFormPos(const QString &Section, const QString &Item, TFormBounds &Form);
    void WriteFormPos(const QString &Section, const QString &Item, const TFormBounds &Value);
    void ReadFormSize(const QString &Section, const QString &Item, TFormBounds &Form);
    void WriteFormSize(const QString &Section, const QString &Item, const TFormBounds &Value);
    void ReadForm(const QString &Section, const QString &Item, TFormBounds &Form);
    void WriteForm(const QString &Section, const QString &Item, const TFormBounds &Form);

    bool SectionExists(const QString &Section);
    bool ValueExists(const QString &Section, const QString &Ident);
    QStringList ReadSection(const QString &Section);
    QStringList ReadSections();
    QStringList ReadSectionValues(const QString &Section);
    void EraseSection(const QString &Section);
    void DeleteKey(const QString &Section, const QString &Ident);
    void UpdateFile();
    // Writes between BeginUpdate and the matching EndUpdate change the memory only; EndUpdate then writes
    // the file once when one of them would have (AutoUpdate on), so a group of values costs one rewrite.
    void BeginUpdate();
    void EndUpdate();

private:
    TMemIniFile &Ini();
    void Resolve();
    QString ReadFenced(const QString &Section, const QString &Ident, TFence Mode, const QString &Default);
    void WriteFenced(const QString &Section, const QString &Ident, TFence Mode, const QString &Value);
    void DoAutoUpdate();

    std::unique_ptr<TMemIniFile> FIniFile;
    TBaseDir FBaseDir = bdApplication;
    QString FFileName;
    TFence FFence = fcNone;
    bool FAutoUpdate = true;
    bool FCaseSensitive = false;
    int FHeldUpdates = 0;
    bool FUpdatePending = false;
};

} // namespace tf

using tf::TExIniFile;
