#include "core/cut_copy.h"

#include "core/messages.h"
#include "core/output_path.h"
#include "platform/cfileslice.h"
#include "platform/cwinthread.h"
#include "platform/path_rules.h"

namespace {

// Pieces are sized by time: about half a second of writing each, at the
// rate the disk took the last one it was waited for. On a stick that
// writes 4 MB/s the bar then moves about twice a second and a cancel takes
// effect within about half a second; on a fast disk the pieces grow to
// hundreds of megabytes, and their flushes cost next to nothing. The first
// piece is small enough for the slowest stick; a piece grows at most
// 32-fold, so that one quick piece (a cache that took it all) cannot make
// the next one huge.
constexpr ULONGLONG kPieceMs = 500;
constexpr UINT kFirstPiece = 2u << 20;
constexpr UINT kSmallestPiece = 256u << 10;
constexpr UINT kGrowth = 32;

// Names tried for the unfinished file before the cut gives up: one left by
// each killed cut in the folder is stepped over.
constexpr int kUnfinishedNames = 10000;

// Creates the file the slice goes to until it is complete: the first free
// unfinished name beside the output. A failure other than a taken name ends
// the search.
bool CreateUnfinished(CFile& file, const CString& output, CString* unfinished)
{
    for (int attempt = 1; attempt <= kUnfinishedNames; ++attempt) {
        *unfinished = UnfinishedPathFor(output, attempt);
        if (file.Open(*unfinished, CFile::modeCreateNew | CFile::modeWrite | CFile::modeHidden))
            return true;
        if (!AnythingAt(*unfinished))
            return false;
    }
    return false;
}

// What the user is told when the complete file could not take the output's
// name; empty when it did. A file that another program (a virus scanner)
// held past the layer's patience, or whose new name the disk did not store,
// was written but could not be saved: a failed write. Any other refusal of
// the name is the file system's, where creating the output failed before:
// the same message as then.
CString RenameFailure(CFile::RenameResult named, const CString& output)
{
    switch (named) {
    case CFile::renamed:
        return CString();
    case CFile::targetExists:
        return TXT_TARGET_EXISTS;
    case CFile::fileInUse:
    case CFile::nameNotStored:
        return WriteFailedMessage(output);
    default:
        return OpenFailedMessage(output);
    }
}

}  // namespace

UINT NextPieceSize(UINT last, UINT measured, ULONGLONG measuredMs)
{
    if (last == 0)
        return kFirstPiece;
    if (measured == 0)
        return last;
    ULONGLONG largest = static_cast<ULONGLONG>(last) * kGrowth;
    ULONGLONG size = measuredMs == 0 ? largest : static_cast<ULONGLONG>(measured) * kPieceMs / measuredMs;
    if (size > largest)
        size = largest;
    if (size < kSmallestPiece)
        size = kSmallestPiece;
    return size > 0x7FFFFFFFu ? 0x7FFFFFFFu : static_cast<UINT>(size);
}

CutCopy::CutCopy(CFile& source, LONGLONG start, UINT count, const CString& output, const CString& sourcePath)
    : m_source(source), m_start(start), m_count(count), m_output(output), m_sourcePath(sourcePath)
{
}

void CutCopy::Abandon()
{
    m_abandoned.store(true);
    m_stop.store(true);
}

UINT CutCopy::ThreadProc(LPVOID param)
{
    CutCopy* copy = static_cast<CutCopy*>(param);
    copy->Run(copy->m_follower);
    return 0;
}

void CutCopy::Run(CWnd* follower)
{
    m_follower = follower;
    m_startedAt.store(AfxTickCount());
    m_outcome = Copy();
    m_ended.store(true, std::memory_order_release);
    if (m_follower)
        m_follower->PostMessage(WM_CUT_PROGRESS);
}

CutCopy::Outcome CutCopy::Fail(const CString& message)
{
    m_message = message;
    return failed;
}

// Each piece is started on its way to the disk as soon as it is written,
// and waited for once the next one is: the disk writes one piece while the
// next is copied, and the bar runs a piece behind the copy. Where a flush
// cannot be started at all, each piece is flushed before the next. A piece
// counts once it is on the disk; the last piece's flush is the whole
// file's, its size too, and the bar's end. The disk's rate is what a wait
// for a piece shows, so no more than two pieces' worth is ever on its way.
bool CutCopy::WritePieces(const CFileSlice& slice, CFile& file)
{
    UINT piece = 0;
    UINT flushing = 0;  // bytes written before this piece, not yet waited for
    UINT measured = 0;  // what the disk took in measuredMs, last time it was waited for
    ULONGLONG measuredMs = 0;
    for (UINT at = 0; at < m_count;) {
        if (m_stop.load())
            return false;
        piece = NextPieceSize(piece, measured, measuredMs);
        if (piece > m_count - at)
            piece = m_count - at;
        ULONGLONG began = AfxTickCount();
        if (!slice.WritePiece(file, at, piece))
            return false;
        bool last = at + piece == m_count;
        UINT waitedFor = 0;
        bool onDisk = true;  // this piece is, not only the ones before it
        if (last) {
            if (!file.Flush())
                return false;
        } else if (file.BeginFlushData(at, piece)) {
            if (flushing > 0 && !file.FlushData(at - flushing, flushing))
                return false;
            waitedFor = flushing;
            onDisk = false;
        } else {
            if (!file.FlushData(at - flushing, flushing + piece))
                return false;
            waitedFor = flushing + piece;
        }
        if (waitedFor > 0) {
            measured = waitedFor;
            measuredMs = AfxTickCount() - began;
        }
        at += piece;
        flushing = onDisk ? 0 : piece;
        m_onDisk.store(at - flushing);
        if (m_follower && !last)
            m_follower->PostMessage(WM_CUT_PROGRESS);
    }
    // An empty slice: the file is still flushed, as any other.
    return m_count > 0 || file.Flush();
}

// Writes the slice under an unfinished name and gives it the output's name
// only once every byte is written, on the disk, and the file closed, so that
// neither a cut that is killed part-way nor a power cut after the success
// message leaves a short file (or one of zeros) under the chosen name: a
// file system may store the rename before the data. The rename never
// replaces: a name that appeared since the check is left as it is. Every
// failure, and a stop, removes what the cut wrote, under whichever name it
// stands, so that none leaves a file under the chosen name. A name the
// folder cannot hold is refused before any byte is written, as creating
// the output there would have been. The source's bytes are loaded first
// (on a system that cannot map the source, into memory): a source that
// shrank since its length was taken fails the load.
CutCopy::Outcome CutCopy::Copy()
{
    CFileSlice slice;
    CFileSlice::Result loaded = slice.Load(m_source, m_start, m_count);
    if (loaded == CFileSlice::noMemory)
        return Fail(TXT_OUT_OF_MEMORY);
    if (loaded != CFileSlice::loaded || !m_source.Close())
        return Fail(ReadFailedMessage(m_sourcePath));
    if (!AfxNameFitsFolder(m_output))
        return Fail(OpenFailedMessage(m_output));
    CFile file;
    CString unfinished;
    if (!CreateUnfinished(file, m_output, &unfinished))
        return Fail(AnythingAt(m_output) ? CString(TXT_TARGET_EXISTS) : OpenFailedMessage(m_output));
    bool written = WritePieces(slice, file);
    bool closed = file.Close() != FALSE;
    CString failure;
    CString left = unfinished;  // where the written file stands
    if (m_stop.load()) {
        CFile::Remove(unfinished);
        return cancelled;
    }
    if (!slice.Intact()) {  // a source that shrank left zeros or a gap in the copy, or ended it
        failure = ReadFailedMessage(m_sourcePath);
    } else if (!written || !closed) {
        failure = WriteFailedMessage(m_output);
    } else {
        CFile::RenameResult named = CFile::Rename(unfinished, m_output);
        failure = RenameFailure(named, m_output);
        if (named == CFile::nameNotStored)
            left = m_output;
    }
    if (failure.IsEmpty())
        return saved;
    CFile::Remove(left);
    return Fail(failure);
}
