#include "shell/basemap_commands.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <string>
#include <vector>

#include "app/folders.h"
#include "app/wiring.h"
#include "shell/main_frame.h"
#include "shell/main_window.h"
#include "tools/basemap_bridge.h"

namespace tlv {
namespace {

QString Utf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* FindPackageWindow(const QString& title) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->isVisible() && widget->windowTitle() == title) return widget;
  }
  return nullptr;
}

// "runtool:TOOL?ARG&ARG" as the package's pages write it: runtool in the program folder with the
// tool and its arguments, each its own argument (no shell reads them).
void StartRuntool(const QUrl& link) {
  const QString text = QUrl::fromPercentEncoding(link.toString(QUrl::FullyEncoded).toUtf8());
  const QString rest = text.mid(QStringLiteral("runtool:").size());
  const qsizetype mark = rest.indexOf(QLatin1Char('?'));
  QStringList arguments{mark < 0 ? rest : rest.left(mark)};
  if (mark >= 0) arguments += rest.mid(mark + 1).split(QLatin1Char('&'), Qt::SkipEmptyParts);
  // runtool lies beside the program, wherever the program was started from.
  QString folder = QString::fromUtf8(ProgramFolderPath().c_str());
  if (folder.isEmpty()) folder = QCoreApplication::applicationDirPath();
  if (folder.endsWith(QLatin1Char('/'))) folder.chop(1);
  QProcess::startDetached(folder + QStringLiteral("/runtool"), arguments, folder);
}

// Shows a package page: 0, or 5 (access denied) when it cannot be read.
int32_t OpenPackageWindow(MainWindow& window, const std::string& path) {
  QFile file(Utf8(path));
  if (!file.open(QIODevice::ReadOnly)) return 5;
  const QString html = QString::fromUtf8(file.readAll());
  const QRegularExpression titleTag(
      QStringLiteral("<title>(.*?)</title>"),
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  const QRegularExpressionMatch match = titleTag.match(html);
  const QString title =
      match.hasMatch() ? match.captured(1).trimmed() : QStringLiteral("TOLVANE - Basemap");
  if (QWidget* open = FindPackageWindow(title)) open->close();
  auto* browser = new QTextBrowser(nullptr);
  browser->setAttribute(Qt::WA_DeleteOnClose);
  browser->setWindowTitle(title);
  browser->setOpenLinks(false);
  QObject::connect(browser, &QTextBrowser::anchorClicked, browser, [](const QUrl& link) {
    if (link.scheme() == QStringLiteral("runtool")) StartRuntool(link);
  });
  browser->setHtml(html);
  browser->resize(560, 460);
  (void)window;
  browser->show();
  return 0;
}

void RunTool(BasemapTool tool) {
  RunBasemapTool(tool);
}

// The four basemap buttons at the end of the information bar; the package's windows change them
// too (through mapbuttons.txt and the "redraw" word), so they follow the bridge's state.
void AddBasemapButtons(MainWindow& window) {
  QWidget* bar = window.Frame()->InfoBar();
  auto* layout = qobject_cast<QHBoxLayout*>(bar->layout());
  if (layout == nullptr) return;
  const char* const labels[] = {"Basemap", "Photo", "Topo", "Layer 4"};
  std::vector<QToolButton*> buttons;
  for (int i = 0; i < 4; ++i) {
    auto* button = new QToolButton(bar);
    button->setText(QString::fromLatin1(labels[i]));
    button->setObjectName(QStringLiteral("BasemapButton%1").arg(i + 1));
    button->setCheckable(true);
    layout->addWidget(button);
    buttons.push_back(button);
    QObject::connect(button, &QToolButton::clicked, button, [&window, i](bool on) {
      BasemapButtons state = CurrentBasemapButtons();
      bool* flags[] = {&state.basemap, &state.photo, &state.topo, &state.fourth};
      *flags[i] = on;
      SetBasemapButtons(state);
      window.InvalidateMap();
    });
  }
  // The map's download button: usable while the package offers data for the view it drew last.
  auto* download = new QToolButton(bar);
  download->setText(QStringLiteral("Download"));
  download->setObjectName(QStringLiteral("BasemapDownloadButton"));
  download->setToolTip(QStringLiteral("Download map features for this view"));
  layout->addWidget(download);
  QObject::connect(download, &QToolButton::clicked, download,
                   [] { RunTool(BasemapTool::kDownloadFeatures); });
  const auto follow = [buttons, download] {
    const BasemapButtons& state = CurrentBasemapButtons();
    const bool flags[] = {state.basemap, state.photo, state.topo, state.fourth};
    for (size_t i = 0; i < buttons.size(); ++i) {
      if (buttons[i]->isChecked() != flags[i]) buttons[i]->setChecked(flags[i]);
    }
    const std::array<bool, 2>& offered = BasemapDownloads();
    const bool usable = state.basemap && (offered[0] || offered[1]);
    if (download->isEnabled() != usable) download->setEnabled(usable);
  };
  auto* timer = new QTimer(bar);
  QObject::connect(timer, &QTimer::timeout, bar, follow);
  timer->start(250);
  follow();
}

}  // namespace

void FillBasemapFrontEnd(MainWindow& window, FrontEndHooks& frontEnd) {
  frontEnd.openBasemapWindow = [&window](const std::string& path) {
    return OpenPackageWindow(window, path);
  };
  frontEnd.closeBasemapWindow = [](const std::string& title) {
    if (QWidget* open = FindPackageWindow(Utf8(title))) open->close();
  };
  frontEnd.raiseBasemapWindow = [](const std::string& title) {
    QWidget* open = FindPackageWindow(Utf8(title));
    if (open == nullptr) return false;
    open->raise();
    open->activateWindow();
    return true;
  };
  // Painting and timers go on while a tool runs; the user's input waits, Escape aside, which the
  // platform's check reads.
  frontEnd.paintWhileToolRuns = [] {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  frontEnd.askText = [&window](const std::string& prompt, std::string& text) {
    bool accepted = false;
    const QString answer = QInputDialog::getText(&window, QStringLiteral("TOLVANE"), Utf8(prompt),
                                                 QLineEdit::Normal, QString(), &accepted);
    if (!accepted) return false;
    const QByteArray bytes = answer.toUtf8();
    text.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
    return true;
  };
}

void RegisterBasemapCommands(MainWindow& window) {
  AddBasemapButtons(window);
  struct Binding {
    std::vector<int> commands;
    BasemapTool tool;
  };
  const Binding bindings[] = {
      {{304, 20501, 20603}, BasemapTool::kBasemapBuilder},
      {{305, 20502}, BasemapTool::kDownloadManager},
      {{307, 20608}, BasemapTool::kFindAddress},
      {{703}, BasemapTool::kCheckUpdates},
      {{20004, 20619}, BasemapTool::kPopulationRadius},
      {{20005, 20623}, BasemapTool::kWeather},
      {{20006, 20624}, BasemapTool::kElevation},
      {{20007, 20625, 20504, 20614}, BasemapTool::kAddress},
      {{20505, 20615, 20706}, BasemapTool::kInfoInArea},
      {{20508, 20620, 20709}, BasemapTool::kPopulationInArea},
      {{20506, 20628, 20403}, BasemapTool::kInfoInSelection},
      {{20404, 20618}, BasemapTool::kPopulationInSelection},
  };
  for (const Binding& binding : bindings) {
    for (const int command : binding.commands) {
      const BasemapTool tool = binding.tool;
      const bool needsArea =
          tool == BasemapTool::kInfoInArea || tool == BasemapTool::kPopulationInArea;
      window.RegisterCommand(
          command, [tool] { RunTool(tool); },
          [needsArea] { return !needsArea || BasemapQuery().has_value(); });
    }
  }
}

}  // namespace tlv
