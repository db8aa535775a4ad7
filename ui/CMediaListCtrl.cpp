#include "CMediaListCtrl.h"

#include "ui/CMLCEdit.h"
#include "ui/CMediaListModel.h"
#include "ui/CMediaListWorker.h"
#include "ui/CPropertiesDlg.h"
#include "ui/CShellFolder.h"

#include "devices/MediaFileKinds.h"
#include "platform/com/CClassRegistry.h"
#include "platform/graph/GraphInterfaces.h"
#include "platform/graph/MediaInfoInterfaces.h"
#include "platform/shell/CShell.h"
#include "res/CStringTable.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace vidlume {

namespace {

    constexpr unsigned IDS_FOLDER_ROW = 224, IDS_READING_ROW = 227, IDS_ASK_DELETE = 228, IDS_ASK_SELECTED = 293;
    constexpr unsigned IDS_LAST_MODIFIED = 266, IDS_YES = 267, IDS_NO = 268, IDS_VIDEO_WIDTH = 269, IDS_VIDEO_HEIGHT = 270,
                       IDS_LENGTH = 271, IDS_SAMPLE_RATE = 272, IDS_CHANNELS = 273, IDS_RESOLUTION = 274, IDS_CONTAINS_VIDEO = 275,
                       IDS_CONTAINS_AUDIO = 276, IDS_FRAME_RATE = 400;
    constexpr unsigned IDR_MEDIA_LIST_MENU = 348;
    constexpr unsigned IDB_FOLDER = 341, IDB_VIDEO = 342, IDB_SELECTED_FOCUS = 343, IDB_SELECTED = 344, IDB_AUDIO = 351,
                       IDB_UNCHECKED = 365, IDB_CHECKED = 366;
    constexpr int kCheckColumnWidth = 36, kThumbnailColumnWidth = 76, kTextColumnWidth = 300;
    constexpr const char* kPlayer = "Glintar.exe";
    constexpr const char* kVideoEditor = "Trimwell.exe";

    // Left edge and right edge (exclusive) of a rectangle, the way the row layout counts.
    int Right(const QRect& r) { return r.x() + r.width(); }
    int Bottom(const QRect& r) { return r.y() + r.height(); }

    // What the user typed names a file in the shown folder: never a path elsewhere, never a
    // name of nothing but the extension.
    bool IsPlainFileName(const QString& typed, const QString& fileName)
    {
        return !typed.isEmpty() && !typed.contains(QLatin1Char('/')) && !typed.contains(QChar(0)) && fileName != QLatin1String(".")
            && fileName != QLatin1String("..");
    }

    // Restores the cursor however the listing ends.
    struct CWaitCursor {
        CWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
        ~CWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
        CWaitCursor(const CWaitCursor&) = delete;
        CWaitCursor& operator=(const CWaitCursor&) = delete;
    };

} // namespace

CMediaListCtrl::CMediaListCtrl(QWidget* parent) : QTreeView(parent), m_model(new CMediaListModel(this))
{
    FillExtensionLists(&m_videoExtensions, &m_audioExtensions);
    m_selectedFocus.LoadFromResource(IDB_SELECTED_FOCUS);
    m_selectedNoFocus.LoadFromResource(IDB_SELECTED);
    m_checked.LoadFromResource(IDB_CHECKED);
    m_unchecked.LoadFromResource(IDB_UNCHECKED);
    m_folderBitmap.LoadFromResource(IDB_FOLDER);
    m_videoBitmap.LoadFromResource(IDB_VIDEO);
    m_audioBitmap.LoadFromResource(IDB_AUDIO);

    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setDragEnabled(false);
    setAcceptDrops(false);
    setSortingEnabled(false);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(true);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (section == 0 && m_checkColumn == 0)
            ToggleAllMarks();
    });
}

CMediaListCtrl::~CMediaListCtrl()
{
    StopWorker();
}

void CMediaListCtrl::Attach()
{
    m_model->SetCheckColumn(m_checkBoxes);
    m_checkColumn = m_model->CheckColumn();
    m_thumbnailColumn = m_model->ThumbnailColumn();
    m_textColumn = m_model->TextColumn();
    if (m_checkColumn >= 0)
        setColumnWidth(m_checkColumn, kCheckColumnWidth);
    setColumnWidth(m_thumbnailColumn, kThumbnailColumnWidth);
    setColumnWidth(m_textColumn, kTextColumnWidth);
    m_boldFont = font();
    m_boldFont.setWeight(QFont::Bold);
    // Already laid out: the text column takes the room there is now, not only at the next resize.
    if (testAttribute(Qt::WA_Resized) || isVisible())
        UpdateTextColumnWidth();
}

void CMediaListCtrl::UpdateTextColumnWidth()
{
    int width = viewport()->width() - columnWidth(m_thumbnailColumn) - 1;
    if (m_checkColumn >= 0)
        width -= columnWidth(m_checkColumn);
    setColumnWidth(m_textColumn, std::max(width, 0));
}

void CMediaListCtrl::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    UpdateTextColumnWidth();
}

// Listing

void CMediaListCtrl::FillFromFolder(const ItemIdList* folder)
{
    const CWaitCursor wait;
    StopWorker();
    CancelRename();
    ++m_listings;
    m_model->Clear();
    m_deviceMode = false;
    m_folder.Set(folder);

    QList<CShellChild> children;
    if (!CShellFolder::Enumerate(m_folder, true, true, &children))
        return;

    std::vector<std::unique_ptr<CMediaListItem>> rows;
    size_t folders = 0;
    for (const CShellChild& child : children) {
        if (child.path.isEmpty())
            continue; // not part of the file system
        if (child.folder && m_showFolders) {
            auto item = std::make_unique<CMediaListItem>();
            item->shellItem = CNameSpaceItem(ItemIdList { child.id });
            item->path = child.path;
            item->displayName = child.displayName;
            item->text = CStringTable::Format(IDS_FOLDER_ROW, child.displayName);
            item->kind = kMediaListFolder;
            item->bitmap = m_folderBitmap;
            rows.insert(rows.begin() + ptrdiff_t(folders++), std::move(item));
            continue;
        }
        const int kind = ClassifyFile(child.path, m_videoExtensions, m_audioExtensions);
        if ((kind == kMediaListVideo && m_showVideo) || (kind == kMediaListAudio && m_showAudio))
            rows.push_back(PrepareFileRow(child.id, child.path, child.displayName, kind));
    }
    m_model->SetRows(std::move(rows));

    if (m_model->Count() > 0)
        selectionModel()->setCurrentIndex(m_model->index(0, m_textColumn), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    StartWorker();
}

std::unique_ptr<CMediaListItem> CMediaListCtrl::PrepareFileRow(const QByteArray& id, const QString& path, const QString& displayName, int kind) const
{
    auto item = std::make_unique<CMediaListItem>();
    item->shellItem = CNameSpaceItem(ItemIdList { id });
    item->path = path;
    item->displayName = displayName;
    item->date = QFileInfo(path).lastModified();
    int day, month, year;
    GetDateParts(item->date, &day, &month, &year);
    item->text = CStringTable::Format(IDS_READING_ROW, displayName, day, month, year);
    item->kind = kind;
    item->bitmap = kind == kMediaListVideo ? m_videoBitmap : m_audioBitmap;
    item->pending = true;
    return item;
}

void CMediaListCtrl::Refresh()
{
    const ItemIdList folder = m_folder.GetList();
    FillFromFolder(&folder);
}

void CMediaListCtrl::GoUp()
{
    CNameSpaceItem parent = m_folder;
    parent.RemoveLast();
    const ItemIdList folder = parent.GetList();
    FillFromFolder(&folder);
    emit Notify(MLN_FOLDERCHANGED);
}

QString CMediaListCtrl::GetFolderPath() const
{
    return m_folder.GetPath();
}

int CMediaListCtrl::AddItem(const QImage& bitmap, int index, const QString& text, bool alpha)
{
    auto item = std::make_unique<CMediaListItem>();
    item->kind = kMediaListDevice;
    item->text = text;
    item->displayName = text.section(QLatin1Char('\n'), 0, 0);
    if (!bitmap.isNull())
        item->bitmap.Attach(bitmap, alpha);
    return m_model->InsertRow(index, std::move(item));
}

// Worker

void CMediaListCtrl::StartWorker()
{
    std::vector<CMediaListWorkItem> work;
    for (int row = 0; row < m_model->Count(); ++row) {
        const CMediaListItem* item = m_model->Item(row);
        if (item->pending)
            work.push_back({ row, item->path, item->displayName, item->date, item->kind, item->bitmap });
    }
    if (work.empty())
        return;
    m_worker = new CMediaListWorker(this, ++m_generation, std::move(work));
    m_worker->Start();
}

void CMediaListCtrl::StopWorker()
{
    if (!m_worker)
        return;
    m_worker->RequestStop();
    m_worker = nullptr;
    ++m_generation;
}

bool CMediaListCtrl::IsWorkerRunning() const
{
    return m_worker != nullptr;
}

int CMediaListCtrl::GetLiveWorkerCount()
{
    return CMediaListWorker::LiveCount();
}

void CMediaListCtrl::ApplyWorkerResult(CMediaListWorker* worker, quint64 generation, const CMediaListResult& result)
{
    if (worker != m_worker || generation != m_generation)
        return;
    CMediaListItem* item = m_model->Item(result.row);
    if (!item)
        return;
    item->text = result.text;
    if (result.hasBitmap)
        item->bitmap = result.bitmap;
    m_model->RowChanged(result.row);
}

void CMediaListCtrl::WorkerDone(CMediaListWorker* worker, quint64 generation)
{
    if (worker != m_worker || generation != m_generation)
        return;
    m_worker = nullptr;
    emit WorkerFinished();
}

// Marks and rows

void CMediaListCtrl::GetCheckedItems(QList<int>* items, bool ask)
{
    bool any = false;
    for (int row = 0; row < m_model->Count(); ++row) {
        if (m_model->Item(row)->checked) {
            items->append(row);
            any = true;
        }
    }
    if (any || !ask)
        return;
    // The question lets the window's timers run; a finished task may list the folder again
    // meanwhile, and then the rows the user saw selected are gone.
    const QList<int> selected = GetSelectedRows();
    const quint64 listing = m_listings;
    if (Ask(IDS_ASK_SELECTED, false) && listing == m_listings)
        items->append(selected);
}

void CMediaListCtrl::GetCheckedFiles(QStringList* files)
{
    QList<int> rows;
    GetCheckedItems(&rows, true);
    for (int row : rows) {
        const CMediaListItem* item = m_model->Item(row);
        if (item && item->IsFile())
            files->append(item->path);
    }
}

void CMediaListCtrl::UncheckAll()
{
    for (int row = 0; row < m_model->Count(); ++row)
        m_model->Item(row)->checked = false;
    m_model->AllRowsChanged();
}

void CMediaListCtrl::ToggleAllMarks()
{
    bool allChecked = true;
    for (int row = 0; row < m_model->Count(); ++row) {
        const CMediaListItem* item = m_model->Item(row);
        if (item->kind != kMediaListFolder && !item->checked)
            allChecked = false;
    }
    for (int row = 0; row < m_model->Count(); ++row) {
        CMediaListItem* item = m_model->Item(row);
        if (item->kind != kMediaListFolder)
            item->checked = !allChecked;
    }
    m_model->AllRowsChanged();
}

int CMediaListCtrl::GetItemCount() const
{
    return m_model->Count();
}

const CMediaListItem* CMediaListCtrl::GetItem(int row) const
{
    return m_model->Item(row);
}

QString CMediaListCtrl::GetItemText(int row) const
{
    const CMediaListItem* item = m_model->Item(row);
    return item ? item->text : QString();
}

QString CMediaListCtrl::GetItemPath(int row) const
{
    const CMediaListItem* item = m_model->Item(row);
    return item ? item->path : QString();
}

int CMediaListCtrl::GetItemKind(int row) const
{
    const CMediaListItem* item = m_model->Item(row);
    return item ? item->kind : 0;
}

bool CMediaListCtrl::GetCheck(int row) const
{
    const CMediaListItem* item = m_model->Item(row);
    return item && item->checked;
}

void CMediaListCtrl::SetCheck(int row, bool checked)
{
    m_model->SetChecked(row, checked);
}

QList<int> CMediaListCtrl::GetSelectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int CMediaListCtrl::FocusedRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

int CMediaListCtrl::FirstSelectedRow() const
{
    const QList<int> rows = GetSelectedRows();
    return rows.isEmpty() ? -1 : rows.front();
}

const CMediaListItem* CMediaListCtrl::FocusedFile() const
{
    const CMediaListItem* item = m_model->Item(FocusedRow());
    return item && item->IsFile() ? item : nullptr;
}

int CMediaListCtrl::ClassifyFile(const QString& path, const QStringList& video, const QStringList& audio)
{
    return ::vidlume::ClassifyFile(path, video, audio);
}

void CMediaListCtrl::FillExtensionLists(QStringList* video, QStringList* audio)
{
    ::vidlume::FillExtensionLists(*video, *audio);
}

bool CMediaListCtrl::Ask(unsigned textId, bool stopIcon)
{
    QMessageBox box(stopIcon ? QMessageBox::Critical : QMessageBox::NoIcon, CStringTable::AppName(), CStringTable::Text(textId),
        QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

// Drawing

QRect CMediaListCtrl::CellRect(const QRect& row, int column) const
{
    // As the list's own sub-item rectangles have it: the first column's cell starts at the
    // row's left edge and ends where the second column starts.
    const int left = column == 0 ? row.x() : columnViewportPosition(column);
    const int right = column == 0 ? columnViewportPosition(1) : columnViewportPosition(column) + columnWidth(column);
    return QRect(left, row.y(), std::max(right - left, 0), row.height());
}

void CMediaListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const CMediaListItem* item = m_model->Item(index.row());
    if (!item)
        return;
    QPainter& dc = *painter;
    dc.save();
    const QRect row(columnViewportPosition(0), option.rect.y(), std::max(header()->length(), viewport()->width()), option.rect.height());

    const QRect background(row.x(), row.y(), row.width(), row.height() - 1);
    if (selectionModel()->isRowSelected(index.row(), QModelIndex()))
        (hasFocus() ? m_selectedFocus : m_selectedNoFocus).DrawNineSlice(2, dc, background);
    else
        dc.fillRect(background, Qt::white);

    DrawRowText(dc, CellRect(row, m_textColumn).adjusted(6, 2, -6, -2), item->text);

    if (!item->bitmap.IsEmpty()) {
        const QRect cell = CellRect(row, m_thumbnailColumn).adjusted(6, 6, -6, -6);
        item->bitmap.Draw(dc, (cell.x() + Right(cell) - item->bitmap.GetWidth()) / 2, cell.y(), 255);
    }

    if (item->kind != kMediaListFolder && m_checkColumn >= 0) {
        const CAlphaBitmap& mark = item->checked ? m_checked : m_unchecked;
        const QRect cell = CellRect(row, m_checkColumn);
        mark.Draw(dc, (cell.x() + Right(cell) - mark.GetWidth()) / 2, (cell.y() + Bottom(cell) - mark.GetHeight()) / 2, 255);
    }

    QPen separator(palette().color(QPalette::Button));
    separator.setStyle(Qt::DotLine);
    separator.setWidth(1);
    dc.setPen(separator);
    const int y = Bottom(row) - 1;
    dc.drawLine(row.x() + 6, y, Right(row) - 6 - 1, y);
    dc.restore();
}

void CMediaListCtrl::DrawRowText(QPainter& dc, const QRect& cell, const QString& text) const
{
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.isEmpty() || cell.isEmpty())
        return;
    dc.save();
    dc.setClipRect(cell, Qt::IntersectClip);
    dc.setPen(Qt::black);

    dc.setFont(m_boldFont);
    const QFontMetrics boldMetrics(m_boldFont);
    const int h = boldMetrics.height();
    dc.drawText(QRect(cell.x(), cell.y(), cell.width(), h), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, lines.front());

    const QFont& normal = font();
    const QFontMetrics metrics(normal);
    dc.setFont(normal);
    if (text.contains(QLatin1Char('\t'))) {
        // One tab stop for the whole block, just past its widest label, so the values line up.
        int widest = 0;
        for (const QString& line : lines) {
            const qsizetype tab = line.indexOf(QLatin1Char('\t'));
            if (tab > 0)
                widest = std::max(widest, metrics.horizontalAdvance(line.left(tab)));
        }
        const int stop = widest + 14;
        for (qsizetype k = 1; k < lines.size(); ++k) {
            const int y = cell.y() + int(k) * h;
            int x = 0;
            const QStringList parts = lines[k].split(QLatin1Char('\t'));
            for (qsizetype j = 0; j < parts.size(); ++j) {
                if (j > 0)
                    x = (x / stop + 1) * stop;
                const int width = std::max(Right(cell) - (cell.x() + x), 0);
                dc.drawText(QRect(cell.x() + x, y, width, metrics.height()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, parts[j]);
                x += metrics.horizontalAdvance(parts[j]);
            }
        }
    } else if (lines.size() > 1) {
        const QRect rest(QPoint(cell.x(), cell.y() + h), QPoint(Right(cell) - 1, Bottom(cell) - 1));
        dc.drawText(rest, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, lines.mid(1).join(QLatin1Char('\n')));
    }
    dc.restore();
}

// Mouse and keys

void CMediaListCtrl::mousePressEvent(QMouseEvent* event)
{
    QTreeView::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    if (m_checkColumn >= 0) {
        const QPoint point = event->position().toPoint();
        const QModelIndex index = indexAt(QPoint(columnViewportPosition(m_thumbnailColumn), point.y()));
        if (index.isValid()) {
            const QRect cellRow = visualRect(index);
            const QRect row(columnViewportPosition(0), cellRow.y(), header()->length(), cellRow.height());
            CMediaListItem* item = m_model->Item(index.row());
            // Folders have no mark to show, so they get none.
            if (item && item->kind != kMediaListFolder && CellRect(row, m_checkColumn).contains(point))
                m_model->SetChecked(index.row(), !item->checked);
        }
    }
    emit Notify(MLN_CLICK);
}

void CMediaListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const CMediaListItem* item = m_model->Item(FocusedRow());
    if (!item)
        return;
    if (!item->shellItem) {
        emit Notify(MLN_ACTIVATE);
        return;
    }
    CNameSpaceItem place = m_folder;
    place.Append(item->shellItem->GetList());
    if (CShellFolder::IsFolder(place)) {
        const ItemIdList list = place.GetList();
        FillFromFolder(&list);
        emit Notify(MLN_FOLDERCHANGED);
    } else if (!m_deviceMode) {
        Play();
    }
}

void CMediaListCtrl::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Delete:
        Delete();
        break;
    case Qt::Key_F2:
        Rename();
        break;
    case Qt::Key_Menu:
        // Handled here rather than as the context-menu event the key may also produce, so the
        // menu opens once.
        ShowContextMenu();
        event->accept();
        return;
    default:
        break;
    }
    QTreeView::keyPressEvent(event);
}

void CMediaListCtrl::focusInEvent(QFocusEvent* event)
{
    QTreeView::focusInEvent(event);
    viewport()->update();
}

void CMediaListCtrl::focusOutEvent(QFocusEvent* event)
{
    QTreeView::focusOutEvent(event);
    viewport()->update();
}

void CMediaListCtrl::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (event->reason() != QContextMenuEvent::Keyboard)
        ShowContextMenu();
}

void CMediaListCtrl::ShowContextMenu()
{
    if (m_deviceMode) {
        emit Notify(MLN_CONTEXTMENU);
        return;
    }
    const bool file = FocusedFile() != nullptr;
    const bool selected = FirstSelectedRow() >= 0;
    QMenu menu(this);
    for (const Command id : { ID_PLAY, ID_OPEN_IN_EDITOR, ID_RENAME, ID_DELETE, ID_PROPERTIES }) {
        QAction* action = menu.addAction(CStringTable::ReplaceAppName(CStringTable::MenuText(IDR_MEDIA_LIST_MENU, id)));
        action->setData(int(id));
        action->setEnabled(id == ID_PROPERTIES ? selected : file);
        if (id == ID_PLAY)
            menu.setDefaultAction(action);
    }
    const QAction* chosen = menu.exec(QCursor::pos());
    if (!chosen)
        return;
    switch (chosen->data().toInt()) {
    case ID_PLAY:
        Play();
        break;
    case ID_OPEN_IN_EDITOR:
        OpenInVideoEditor();
        break;
    case ID_RENAME:
        Rename();
        break;
    case ID_DELETE:
        Delete();
        break;
    case ID_PROPERTIES:
        ShowProperties();
        break;
    default:
        break;
    }
}

// Commands

void CMediaListCtrl::Play()
{
    // Failure to start the player is not reported: without it there is nothing to offer.
    if (const CMediaListItem* item = FocusedFile())
        CShell::StartProgram(QString::fromLatin1(kPlayer), { item->path });
}

void CMediaListCtrl::OpenInVideoEditor()
{
    if (const CMediaListItem* item = FocusedFile())
        CShell::StartProgram(QString::fromLatin1(kVideoEditor), { item->path });
}

void CMediaListCtrl::Rename()
{
    if (IsWorkerRunning())
        return;
    const int row = FirstSelectedRow();
    const CMediaListItem* item = m_model->Item(row);
    if (!item || !item->IsFile())
        return;
    m_renameRow = row;

    const QModelIndex index = m_model->index(row, m_textColumn);
    scrollTo(index);
    const QRect cellRow = visualRect(index);
    const QRect rowRect(columnViewportPosition(0), cellRow.y(), header()->length(), cellRow.height());
    const QRect editor = CellRect(rowRect, m_textColumn).adjusted(2, 2, -2, -2);

    if (!m_edit) {
        m_edit = new CMLCEdit(viewport());
        connect(m_edit, &CMLCEdit::Return, this, &CMediaListCtrl::OnEditReturn);
        connect(m_edit, &CMLCEdit::Escape, this, &CMediaListCtrl::OnEditEscape);
    }
    StopWorker();
    m_edit->setGeometry(editor);
    m_edit->show();
    m_edit->setText(QFileInfo(item->path).completeBaseName());
    m_edit->selectAll();
    m_edit->setFocus(Qt::OtherFocusReason);
}

void CMediaListCtrl::OnEditReturn()
{
    // Taken first: hiding the focused editor makes it lose the focus, which commits again.
    const int row = std::exchange(m_renameRow, -1);
    const bool hadFocus = m_edit->hasFocus();
    const QString name = m_edit->text();
    m_edit->hide();
    if (hadFocus)
        setFocus(Qt::OtherFocusReason);
    viewport()->update();
    const CMediaListItem* item = m_model->Item(row);
    if (!item)
        return;

    // Same folder, same extension; the file is never moved elsewhere nor over another one.
    const QString oldPath = item->path;
    const QFileInfo old(oldPath);
    const QString fileName = old.fileName();
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot >= 0 ? fileName.mid(dot) : QString();
    const QString newPath = old.path() + QLatin1Char('/') + name + extension;
    if (IsPlainFileName(name, name + extension) && newPath != oldPath)
        QFile::rename(oldPath, newPath);
    Refresh();
    emit Notify(MLN_RENAMED);
}

void CMediaListCtrl::OnEditEscape()
{
    m_renameRow = -1;
    const bool hadFocus = m_edit->hasFocus();
    m_edit->hide();
    if (hadFocus)
        setFocus(Qt::OtherFocusReason);
    viewport()->update();
}

void CMediaListCtrl::CancelRename()
{
    m_renameRow = -1;
    if (m_edit && m_edit->isVisible())
        m_edit->hide();
}

void CMediaListCtrl::Delete()
{
    if (m_deviceMode) {
        emit Notify(MLN_DELETEREQUEST);
        return;
    }
    const QList<int> rows = GetSelectedRows();
    if (rows.isEmpty())
        return;
    // What was selected when the user asked, whatever the list shows after the question.
    QStringList files;
    for (int row : rows) {
        const CMediaListItem* item = m_model->Item(row);
        if (item && item->IsFile())
            files.append(item->path);
    }
    if (!Ask(IDS_ASK_DELETE, true))
        return;
    StopWorker();
    for (const QString& file : files)
        QFile::remove(file);
    Refresh();
    emit Notify(MLN_DELETED);
}

void CMediaListCtrl::ShowProperties()
{
    const CMediaListItem* item = m_model->Item(FirstSelectedRow());
    if (!item)
        return;
    const QString path = item->path;
    const int kind = item->kind;
    const QDateTime date = item->date;

    // When the file cannot be analysed the dialog still shows what is known about it.
    ComPtr<IMediaInfo> info;
    double duration = 0;
    bool hasVideo = false, hasAudio = false;
    const bool known = !path.isEmpty() && SUCCEEDED(CoCreateInstance(CLSID_MediaInfo, &info))
        && SUCCEEDED(info->Open(path.toUtf8().toStdString())) && SUCCEEDED(info->GetDuration(&duration))
        && SUCCEEDED(info->GetStreams(&hasVideo, &hasAudio));
    if (!known)
        hasVideo = hasAudio = false;

    CPropertiesDlg dialog(this);
    const auto label = [](unsigned id) { return CStringTable::Text(id); };
    if (kind != kMediaListFolder) {
        int day, month, year;
        GetDateParts(date, &day, &month, &year);
        dialog.AddRow(label(IDS_LAST_MODIFIED), QString::asprintf("%.2d.%.2d.%.4d", day, month, year));
    }
    if (hasVideo) {
        dialog.AddRow(label(IDS_CONTAINS_VIDEO), label(IDS_YES));
        uint16_t width = 0, height = 0;
        if (SUCCEEDED(info->GetVideoSize(&width, &height))) {
            dialog.AddRow(label(IDS_VIDEO_WIDTH), QString::asprintf("%d", int(width)));
            dialog.AddRow(label(IDS_VIDEO_HEIGHT), QString::asprintf("%d", int(height)));
        }
        dialog.AddRow(label(IDS_LENGTH), QString::asprintf("%.2f", duration));
        double rate = 0;
        if (SUCCEEDED(info->GetFrameRate(&rate)))
            dialog.AddRow(label(IDS_FRAME_RATE), QString::asprintf("%.2f", rate));
    } else {
        dialog.AddRow(label(IDS_CONTAINS_VIDEO), label(IDS_NO));
    }
    if (hasAudio) {
        dialog.AddRow(label(IDS_CONTAINS_AUDIO), label(IDS_YES));
        uint32_t sampleRate = 0;
        uint16_t channels = 0, bits = 0;
        if (SUCCEEDED(info->GetAudioFormat(&sampleRate, &channels, &bits))) {
            dialog.AddRow(label(IDS_SAMPLE_RATE), QString::asprintf("%d", int(sampleRate)));
            dialog.AddRow(label(IDS_CHANNELS), QString::asprintf("%d", int(channels)));
            dialog.AddRow(label(IDS_RESOLUTION), QString::asprintf("%d", int(bits)));
        }
    } else {
        dialog.AddRow(label(IDS_CONTAINS_AUDIO), label(IDS_NO));
    }
    info.Reset();
    dialog.exec();
}

} // namespace vidlume
