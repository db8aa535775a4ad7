#pragma once
// The list every device page shows: owner-drawn rows 60 pixels high, each with an optional
// check mark (the mark that selects an item for a transfer), a thumbnail of at most 64 x 48
// pixels and a text block whose first line is bold and whose further lines are "label\tvalue"
// lines drawn as a small table (or plain text, word-wrapped).
//
// Two modes. Device mode, from construction: the page inserts its own rows with AddItem and
// handles delete, context menu and activation requests itself; the list only draws, checks and
// reports. Folder mode, from the first FillFromFolder on: the list shows a folder's sub-folders
// and media files, fetches each file's duration, picture size or sound format and thumbnail on
// a worker thread (CMediaListWorker), and plays, renames, deletes and shows the properties of
// files itself.
//
// The list reports to its page through Notify (codes MLN_*), synchronously, with the list as
// sender(). Window thread only.

#include "ui/CAlphaBitmap.h"
#include "ui/CMediaListItem.h"
#include "ui/CNameSpaceItem.h"

#include <QFont>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTreeView>

#include <memory>

namespace vidlume {

class CMediaListModel;
class CMediaListWorker;
class CMLCEdit;
struct CMediaListResult;

constexpr int MLN_CLICK = 2001;         // after every left-button press (a mark may have changed)
constexpr int MLN_FOLDERCHANGED = 2002; // a sub-folder was opened by double-click, or after GoUp
constexpr int MLN_CONTEXTMENU = 2003;   // context menu requested in device mode
constexpr int MLN_ACTIVATE = 2004;      // a device row was double-clicked
constexpr int MLN_DELETED = 2005;       // files of the shown folder were deleted
constexpr int MLN_RENAMED = 2006;       // a file of the shown folder was renamed
constexpr int MLN_DELETEREQUEST = 2007; // delete requested in device mode

class CMediaListCtrl : public QTreeView {
    Q_OBJECT
public:
    // Commands of the context menu 348.
    enum Command {
        ID_PLAY = 32784,
        ID_RENAME = 32785,
        ID_DELETE = 32786,
        ID_PROPERTIES = 32787,
        ID_OPEN_IN_EDITOR = 32788,
    };

    explicit CMediaListCtrl(QWidget* parent = nullptr);
    // Stops the worker (without waiting for it).
    ~CMediaListCtrl() override;

    // Switches, set before Attach(). Defaults: folders on, audio off, video on, check boxes on.
    void SetShowFolders(bool on) { m_showFolders = on; }
    void SetShowAudio(bool on) { m_showAudio = on; }
    void SetShowVideo(bool on) { m_showVideo = on; }
    void SetCheckBoxes(bool on) { m_checkBoxes = on; }

    // Sets up the columns ("All" 36 when there are check boxes, "Thumbnail" 76, "Name" 300)
    // and the bold font. Call once the switches are set.
    void Attach();

    // Enters folder mode and lists the folder (null = the desktop): sub-folders first, then the
    // video and audio files the switches allow, each in the order the shell lists them; selects
    // row 0 and starts a worker for the files. A folder that cannot be listed leaves the list
    // empty, with no worker. Does not process events.
    void FillFromFolder(const ItemIdList* folder);
    // Lists the current folder again; the selection is not kept.
    void Refresh();
    // Lists the parent of the current folder and sends MLN_FOLDERCHANGED.
    void GoUp();
    // The file-system path of the current folder; empty for virtual places.
    QString GetFolderPath() const;
    const CNameSpaceItem& GetFolder() const { return m_folder; }

    // Device mode: inserts a row at index (clamped to the rows there are) with the text and the
    // bitmap (may be null) and returns where it went.
    int AddItem(const QImage& bitmap, int index, const QString& text, bool alpha);

    // Appends the indices of the checked rows in row order. If none is checked and ask is true,
    // asks whether to take the selected rows instead, and on Yes appends those.
    void GetCheckedItems(QList<int>* items, bool ask);
    // Folder mode: the full paths of the files among GetCheckedItems(ask = true).
    void GetCheckedFiles(QStringList* files);
    void UncheckAll();

    // Stops the worker without waiting: it ends before its next row, and what it still sends
    // is dropped. Never blocks.
    void StopWorker();
    // Device mode: sends MLN_CONTEXTMENU. Folder mode: the media list menu at the cursor.
    virtual void ShowContextMenu();
    bool IsDeviceMode() const { return m_deviceMode; }

    // 0 not a media file, 1 video, 2 audio, by extension.
    static int ClassifyFile(const QString& path, const QStringList& video, const QStringList& audio);
    static void FillExtensionLists(QStringList* video, QStringList* audio);

    // The rows.
    int GetItemCount() const;
    // The whole row text (first line, then the further lines); empty for a row out of range.
    QString GetItemText(int row) const;
    QString GetItemPath(int row) const;
    // MediaListKind; 0 for a row out of range.
    int GetItemKind(int row) const;
    bool GetCheck(int row) const;
    void SetCheck(int row, bool checked);
    // Null for a row out of range.
    const CMediaListItem* GetItem(int row) const;
    // Rows selected, in row order.
    QList<int> GetSelectedRows() const;
    int GetCheckColumn() const { return m_checkColumn; }
    int GetThumbnailColumn() const { return m_thumbnailColumn; }
    int GetTextColumn() const { return m_textColumn; }
    // Whether this list's worker has yet to report its last row.
    bool IsWorkerRunning() const;
    // Worker threads of all lists not yet finished and deleted.
    static int GetLiveWorkerCount();

    // The commands, as the context menu and the keys run them. Each does nothing where the
    // menu would have it disabled.
    void Play();
    void OpenInVideoEditor();
    void Rename();
    void Delete();
    void ShowProperties();

signals:
    // MLN_* codes; sender() is the list.
    void Notify(int code);
    // The worker has visited every row of the current listing and its results are shown.
    void WorkerFinished();

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The selected rows' background shows whether the list has the focus.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // No drags start from the list.
    void startDrag(Qt::DropActions supportedActions) override { }

private:
    friend class CMediaListWorker;

    // The cell of a column in a row: column 0 spans from the row's left edge to column 1.
    QRect CellRect(const QRect& row, int column) const;
    void DrawRowText(QPainter& dc, const QRect& cell, const QString& text) const;
    void ToggleAllMarks();
    void UpdateTextColumnWidth();
    int FocusedRow() const;
    int FirstSelectedRow() const;
    const CMediaListItem* FocusedFile() const;
    // A listing's file row, with its "Reading file information..." text and placeholder.
    std::unique_ptr<CMediaListItem> PrepareFileRow(const QByteArray& id, const QString& path, const QString& displayName, int kind) const;
    void StartWorker();
    void CancelRename();
    void OnEditReturn();
    void OnEditEscape();
    bool Ask(unsigned textId, bool stopIcon);

    // From the worker, on the window thread.
    void ApplyWorkerResult(CMediaListWorker* worker, quint64 generation, const CMediaListResult& result);
    void WorkerDone(CMediaListWorker* worker, quint64 generation);

    CMediaListModel* m_model;
    QFont m_boldFont;
    CNameSpaceItem m_folder;
    CAlphaBitmap m_selectedFocus;   // 343
    CAlphaBitmap m_selectedNoFocus; // 344
    CAlphaBitmap m_checked;         // 366
    CAlphaBitmap m_unchecked;       // 365
    CAlphaBitmap m_folderBitmap;    // 341
    CAlphaBitmap m_videoBitmap;     // 342
    CAlphaBitmap m_audioBitmap;     // 351
    CMLCEdit* m_edit = nullptr;
    int m_textColumn = 2;
    int m_thumbnailColumn = 1;
    int m_checkColumn = 0;
    int m_renameRow = -1;
    // Forgotten (not waited for) when stopped; it deletes itself when its thread ends.
    QPointer<CMediaListWorker> m_worker;
    // Tags the results of the current listing's worker; bumped whenever a worker is retired.
    quint64 m_generation = 0;
    // Counts the listings, so a question that let the list change meanwhile can tell.
    quint64 m_listings = 0;
    bool m_deviceMode = true;
    QStringList m_audioExtensions;
    QStringList m_videoExtensions;
    bool m_showFolders = true;
    bool m_showAudio = false;
    bool m_showVideo = true;
    bool m_checkBoxes = true;
};

} // namespace vidlume
