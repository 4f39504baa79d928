// The window's lists under load: a file list of 200,000 entries and a results tree of 1,000,000
// entry nodes, each filled, expanded and scrolled in a shown view, against Qt's own item models
// (QStringListModel, QStandardItemModel) doing the same in the same run. For every step it prints
// the wall time (how long the window would not answer) and the thread's CPU time, on which the
// ratio ours / Qt's is taken because the machine is shared; and the bytes each node costs.
// Usage: bench_window [list|tree|trace|walk]
#include <malloc.h>
#include <sys/resource.h>
#include <time.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QListView>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStringListModel>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "fileset/uFL_FileList.h"
#include "support/uFL_Log.h"
#include "support/uFL_ResultTree.h"
#include "uFL_Dialogs.h"
#include "uFL_FileListModel.h"
#include "uFL_Main.h"
#include "uFL_RecentComboBox.h"
#include "uFL_ResultTreeModel.h"
#include "uFL_TraceModel.h"

namespace {

constexpr int ListEntries = 200000;
constexpr int TreeFiles = 10000;
constexpr int EntriesPerFile = 100;  // 10,000 x 100 = 1,000,000 entry nodes
constexpr int PageSteps = 200;

struct TTime {
  double Wall = 0, Cpu = 0;  // milliseconds
};

double CpuMs() {
  timespec T;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &T);
  return double(T.tv_sec) * 1e3 + double(T.tv_nsec) / 1e6;
}

TTime Time(const std::function<void()>& Step) {
  QElapsedTimer Wall;
  Wall.start();
  const double Cpu = CpuMs();
  Step();
  return {double(Wall.nsecsElapsed()) / 1e6, CpuMs() - Cpu};
}

// The median of three runs, each after Reset.
TTime Median3(const std::function<void()>& Reset, const std::function<void()>& Step) {
  std::vector<TTime> Runs;
  for (int i = 0; i < 3; ++i) {
    Reset();
    Runs.push_back(Time(Step));
  }
  std::sort(Runs.begin(), Runs.end(), [](const TTime& A, const TTime& B) { return A.Cpu < B.Cpu; });
  return Runs[1];
}

size_t HeapInUse() {
  return mallinfo2().uordblks;
}

// Paints the view now, as the event loop does after a change.
void Paint(QAbstractItemView* View) {
  QCoreApplication::processEvents();
  View->viewport()->repaint();
}

struct TScroll {
  TTime ToEnd, PageLongest, PageMean;
};

TScroll Scroll(QAbstractItemView* View) {
  TScroll S;
  S.ToEnd = Median3([&] { View->scrollToTop(), Paint(View); },
                    [&] { View->scrollToBottom(), Paint(View); });
  View->scrollToTop();
  Paint(View);
  for (int i = 0; i < PageSteps; ++i) {
    const TTime T = Time([&] {
      View->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
      Paint(View);
    });
    S.PageLongest.Wall = std::max(S.PageLongest.Wall, T.Wall);
    S.PageLongest.Cpu = std::max(S.PageLongest.Cpu, T.Cpu);
    S.PageMean.Wall += T.Wall / PageSteps;
    S.PageMean.Cpu += T.Cpu / PageSteps;
  }
  return S;
}

void Header(const char* Title) {
  std::printf("\n%s\n  %-42s %18s %18s %7s\n  %-42s %9s %8s %9s %8s %7s\n", Title, "",
              "ferrolin (ms)", "Qt model (ms)", "ratio", "step", "wall", "cpu", "wall", "cpu",
              "cpu");
}

void Row(const char* What, const TTime& Ours, const TTime& Qt) {
  std::printf("  %-42s %9.1f %8.1f %9.1f %8.1f %7.2f\n", What, Ours.Wall, Ours.Cpu, Qt.Wall, Qt.Cpu,
              Qt.Cpu > 0 ? Ours.Cpu / Qt.Cpu : 0.0);
}

void Bytes(const char* What, double Ours, double Qt) {
  std::printf("  %-42s %18.1f %18.1f %7.2f\n", What, Ours, Qt, Qt > 0 ? Ours / Qt : 0.0);
}

std::string ListPath(int i) {
  char Buf[96];
  std::snprintf(Buf, sizeof Buf, "/home/user/projects/src/module%03d/unit_%06d.pas", i % 500, i);
  return Buf;
}

std::string EntryText(int Line) {
  char Buf[64];
  std::snprintf(Buf, sizeof Buf, "[Line %4d]   Result := Compute(Value, %d);", Line, Line);
  return Buf;
}

void PrepareView(QAbstractItemView* View) {
  View->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  View->resize(700, 420);
  View->show();
}

void BenchFileList() {
  Header("File list, 200,000 entries");
  std::vector<std::string> Paths;
  for (int i = 0; i < ListEntries; ++i) Paths.push_back(ListPath(i));

  TFileList List;
  TFileListModel Model(List);
  QListView View;
  View.setUniformItemSizes(true);
  View.setModel(&Model);
  PrepareView(&View);
  // A walk adds in the file system's order; the list sorts as it goes.
  const TTime Add = Time([&] {
    List.BeginUpdate();
    for (auto It = Paths.rbegin(); It != Paths.rend(); ++It)
      List.Add(*It, TSearchRec{0, 1000, 32, ""});
  });
  const TTime Show = Time([&] {
    List.EndUpdate();
    Paint(&View);
  });
  const TScroll S = Scroll(&View);

  QStringList Strings;
  for (auto It = Paths.rbegin(); It != Paths.rend(); ++It) Strings << QString::fromStdString(*It);
  QStringListModel Peer;
  QListView PeerView;
  PeerView.setUniformItemSizes(true);
  PeerView.setModel(&Peer);
  PrepareView(&PeerView);
  const TTime PeerAdd = Time([&] { Strings.sort(Qt::CaseInsensitive); });
  const TTime PeerShow = Time([&] {
    Peer.setStringList(Strings);
    Paint(&PeerView);
  });
  const TScroll PS = Scroll(&PeerView);

  Row("fill: sorted inserts / one sort", Add, PeerAdd);
  Row("model reset and first paint", Show, PeerShow);
  Row("scroll to the end and paint", S.ToEnd, PS.ToEnd);
  Row("page down and paint, longest", S.PageLongest, PS.PageLongest);
  Row("page down and paint, mean", S.PageMean, PS.PageMean);
}

struct TTreeFigures {
  TTime Fill, FillSlice, Expand, Collapse;
  TScroll S;
  double BytesPerNode = 0, ViewBytesPerNode = 0;
};

// Fills as an action does: one file's nodes, then the window takes input (the status refresh).
TTreeFigures TreeRun(QTreeView& View, const std::function<void(int File)>& AddFile,
                     const std::function<void()>& Finish, long long Nodes, long long TextBytes) {
  TTreeFigures F;
  PrepareView(&View);
  const size_t Before = HeapInUse();
  F.Fill = Time([&] {
    for (int f = 0; f < TreeFiles; ++f) {
      const TTime Slice = Time([&] {
        AddFile(f);
        QCoreApplication::processEvents();
      });
      F.FillSlice.Wall = std::max(F.FillSlice.Wall, Slice.Wall);
      F.FillSlice.Cpu = std::max(F.FillSlice.Cpu, Slice.Cpu);
    }
    Finish();
    Paint(&View);
  });
  const size_t Filled = HeapInUse();
  F.BytesPerNode = double(Filled - Before - size_t(TextBytes)) / double(Nodes);
  View.expandAll();
  Paint(&View);
  F.ViewBytesPerNode = double(HeapInUse() - Filled) / double(Nodes);
  F.S = Scroll(&View);
  F.Expand =
      Median3([&] { View.collapseAll(), Paint(&View); }, [&] { View.expandAll(), Paint(&View); });
  F.Collapse =
      Median3([&] { View.expandAll(), Paint(&View); }, [&] { View.collapseAll(), Paint(&View); });
  return F;
}

void BenchTree() {
  const long long Nodes = 2 + TreeFiles * (2LL + EntriesPerFile);
  // Heap bytes of the texts themselves, so that what is left is the cost of the node.
  long long TextBytes = 0;
  for (int l = 1; l <= EntriesPerFile; ++l) TextBytes += (long long)EntryText(l).size() + 1;
  TextBytes *= TreeFiles;
  TextBytes += TreeFiles * (long long)(ListPath(0).size() + 1);

  TTreeFigures Ours;
  {
    TResultTree Tree;
    TResultTreeModel Model(Tree);
    QTreeView View;
    View.setUniformRowHeights(true);
    View.setHeaderHidden(true);
    View.setModel(&Model);
    Tree.Add(Tree.Add(nullptr, "Results for Search"), "Statistics");
    // As while an action runs: the view learns of new files a few times a second.
    Model.SetCoalescing(true);
    Ours = TreeRun(
        View,
        [&](int f) {
          TResultNode* Cat = Tree.Add(Tree.Add(nullptr, ListPath(f)), "Search");
          for (int l = 1; l <= EntriesPerFile; ++l) Tree.Add(Cat, EntryText(l));
        },
        [&] {
          Model.SetCoalescing(false);
          Model.Flush();
        },
        Nodes, TextBytes);
  }
  TTreeFigures Peer;
  {
    QStandardItemModel Model;
    QTreeView View;
    View.setUniformRowHeights(true);
    View.setHeaderHidden(true);
    View.setModel(&Model);
    auto* Head = new QStandardItem(QStringLiteral("Results for Search"));
    Model.appendRow(Head);
    Head->appendRow(new QStandardItem(QStringLiteral("Statistics")));
    // Qt keeps text as UTF-16: twice the bytes of the same text.
    Peer = TreeRun(
        View,
        [&](int f) {
          auto* File = new QStandardItem(QString::fromStdString(ListPath(f)));
          Model.appendRow(File);
          auto* Cat = new QStandardItem(QStringLiteral("Search"));
          File->appendRow(Cat);
          for (int l = 1; l <= EntriesPerFile; ++l)
            Cat->appendRow(new QStandardItem(QString::fromStdString(EntryText(l))));
        },
        [] {}, Nodes, 2 * TextBytes);
  }
  char Title[96];
  std::snprintf(Title, sizeof Title, "Results tree, %d files x %d entries = %d entry nodes",
                TreeFiles, EntriesPerFile, TreeFiles * EntriesPerFile);
  Header(Title);
  Row("fill as an action does, total", Ours.Fill, Peer.Fill);
  Row("fill, longest slice between two refreshes", Ours.FillSlice, Peer.FillSlice);
  Row("expand all and paint", Ours.Expand, Peer.Expand);
  Row("collapse all and paint", Ours.Collapse, Peer.Collapse);
  Row("scroll to the end and paint", Ours.S.ToEnd, Peer.S.ToEnd);
  Row("page down and paint, longest", Ours.S.PageLongest, Peer.S.PageLongest);
  Row("page down and paint, mean", Ours.S.PageMean, Peer.S.PageMean);
  std::printf("  %-42s %18s %18s\n", "", "ferrolin (bytes)", "Qt model (bytes)");
  Bytes("model, per node beyond its text", Ours.BytesPerNode, Peer.BytesPerNode);
  Bytes("view, per node when all is expanded", Ours.ViewBytesPerNode, Peer.ViewBytesPerNode);
}

// The trace of an action over 10,000 files with 100 lines each, the window taking input after
// every file; against a QStringListModel that gets the same lines row by row.
void BenchTrace() {
  TTime Ours, OursSlice, Peer, PeerSlice;
  auto Run = [](QListView& View, const std::function<void(int File)>& AddFile, TTime& Slice) {
    View.setUniformItemSizes(true);
    PrepareView(&View);
    return Time([&] {
      for (int f = 0; f < TreeFiles; ++f) {
        const TTime T = Time([&] {
          AddFile(f);
          QCoreApplication::processEvents();
        });
        Slice.Wall = std::max(Slice.Wall, T.Wall);
        Slice.Cpu = std::max(Slice.Cpu, T.Cpu);
      }
      Paint(&View);
    });
  };
  {
    TTraceLines Lines;
    TTraceModel Model(Lines);
    QListView View;
    View.setModel(&Model);
    TTraceLog Log(Lines, true);
    Model.SetCoalescing(true);
    Ours = Run(
        View,
        [&](int f) {
          const std::string Name = ListPath(f);
          for (int l = 1; l <= EntriesPerFile; ++l) Log.AddTrace(Name, EntryText(l));
        },
        OursSlice);
  }
  {
    QStringListModel Model;
    QListView View;
    View.setModel(&Model);
    Peer = Run(
        View,
        [&](int f) {
          const QString Name = QString::fromStdString(ListPath(f));
          for (int l = 1; l <= EntriesPerFile; ++l) {
            const int Row = Model.rowCount();
            Model.insertRows(Row, 1);
            Model.setData(Model.index(Row), Name + QString::fromStdString(EntryText(l)));
          }
        },
        PeerSlice);
  }
  Header("Trace, 10,000 files x 100 lines = 1,000,000 lines");
  Row("fill as an action does, total", Ours, Peer);
  Row("fill, longest slice between two refreshes", OursSlice, PeerSlice);
}

// Answers nothing: the walk shows no box.
class TNoDialogs : public IDialogs {
 public:
  void Information(const QString&) override {}
  bool Warning(const QString&) override { return true; }
  bool Confirm(const QString&) override { return true; }
  void Error(const QString&) override {}
  std::optional<QString> OpenFile(const QString&, const QString&) override { return {}; }
  std::optional<QString> SaveFile(const QString&, const QString&) override { return {}; }
  std::optional<QString> SelectDirectory(const QString&) override { return {}; }
};

double ChildrenCpuMs() {
  rusage U;
  getrusage(RUSAGE_CHILDREN, &U);
  return double(U.ru_utime.tv_sec + U.ru_stime.tv_sec) * 1e3 +
         double(U.ru_utime.tv_usec + U.ru_stime.tv_usec) / 1e3;
}

// "Add Files" in the window over 2,000 directories of 100 files, the window refreshing its status
// after every directory; against find listing the same files.
void BenchWalk() {
  const QString Root = QDir::tempPath() + "/ferrolin-bench-window-walk";
  if (!QFile::exists(Root + "/d1999/f099.pas")) {
    for (int d = 0; d < 2000; ++d) {
      const QString Dir = QString("%1/d%2").arg(Root).arg(d, 4, 10, QChar('0'));
      QDir().mkpath(Dir);
      for (int f = 0; f < 100; ++f) {
        QFile F(QString("%1/f%2.pas").arg(Dir).arg(f, 3, 10, QChar('0')));
        if (!F.open(QIODevice::WriteOnly)) return;
      }
    }
  }
  QTemporaryDir Settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Settings.path());
  QSettings("Vendalor", "Ferrolin").setValue("FL_Version", "0.25 Alpha");
  TNoDialogs Dialogs;
  TMain Main(Dialogs);
  Main.show();
  QCoreApplication::processEvents();
  Main.findChild<TRecentComboBox*>("cbDir")->SetText(Root.toStdString() + "/");
  Main.findChild<TRecentComboBox*>("cbMask")->SetText("*.pas");
  const TTime Ours = Time([&] {
    Main.findChild<QPushButton*>("btnAdd")->click();
    QCoreApplication::processEvents();
  });
  const int Found = Main.FileList().Count();
  const TTime Empty = Time([&] { Main.findChild<QPushButton*>("btnEmpty")->click(); });

  QElapsedTimer Wall;
  const double Cpu = ChildrenCpuMs();
  Wall.start();
  QProcess Find;
  Find.start("find", {Root, "-type", "f", "-iname", "*.pas"});
  Find.waitForFinished(-1);
  const int Lines = Find.readAllStandardOutput().count('\n');
  const TTime Peer{double(Wall.nsecsElapsed()) / 1e6, ChildrenCpuMs() - Cpu};
  std::printf("\nAdd Files over 2,000 directories of 100 files (%d found; find: %d)\n", Found,
              Lines);
  std::printf("  %-42s %18s %18s %7s\n  %-42s %9s %8s %9s %8s %7s\n", "", "ferrolin (ms)",
              "find (ms)", "ratio", "step", "wall", "cpu", "wall", "cpu", "cpu");
  Row("walk, sorted list, status after every folder", Ours, Peer);
  std::printf("  %-42s %9.1f %8.1f\n", "Empty List", Empty.Wall, Empty.Cpu);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication App(argc, argv);
  const std::string Only = argc > 1 ? argv[1] : "";
  if (Only.empty() || Only == "list") BenchFileList();
  if (Only.empty() || Only == "tree") BenchTree();
  if (Only.empty() || Only == "trace") BenchTrace();
  if (Only.empty() || Only == "walk") BenchWalk();
  return 0;
}
