#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <memory>

#include "installer/IniWriter.h"
#include "installer/ui/InstallQuorin1.h"
#include "installer/ui/InstallQuorin2.h"
#include "installer/ui/InstallQuorin3.h"
#include "installer/ui/InstallerApplication.h"
#include "installer/ui/MessageDialogs.h"
#include "tests/support/ArchiveBuilder.h"
#include "tests/support/InstallFixture.h"
#include "tests/support/PrefixRecordingEnv.h"
#include "tests/support/WinePrefix.h"
#include "tests/ui/ModalAnswers.h"

namespace fs = std::filesystem;

namespace {

template <class T>
T* Child(QWidget* window, const char* name) {
  T* child = window->findChild<T*>(name);
  if (child == nullptr) {
    throw std::runtime_error(std::string("no control ") + name);
  }
  return child;
}

// Clicks the box of a check box (the middle of a wide one may miss it).
void Tick(QCheckBox* box) {
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

// Runs an action inside the application's message loop and returns the status the program
// ends with, or -1 when the action does not end it.
int StatusAfter(const std::function<void()>& action) {
  // Gives up once no dialog is left to answer; owned here, so that it cannot end a later loop.
  QTimer giveUp;
  QObject::connect(&giveUp, &QTimer::timeout, [] {
    if (QApplication::activeModalWidget() == nullptr) {
      QCoreApplication::exit(-1);
    }
  });
  QTimer::singleShot(0, [&] {
    action();
    giveUp.start(100);
  });
  return QApplication::exec();
}

// The next control that Tab reaches.
QWidget* NextTabStop(QWidget* widget) {
  do {
    widget = widget->nextInFocusChain();
  } while ((widget->focusPolicy() & Qt::TabFocus) == 0);
  return widget;
}

ModalAnswers::Answer AcceptTerms() {
  return [](QWidget* modal) {
    Tick(Child<QCheckBox>(modal, "ReadIt"));
    QTest::mouseClick(Child<QPushButton>(modal, "NextBtn"), Qt::LeftButton);
  };
}

ModalAnswers::Answer PressKey(Qt::Key key, QString* title = nullptr, QString* text = nullptr) {
  return [=](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      if (title != nullptr)
        *title = box->windowTitle();
      if (text != nullptr)
        *text = box->text();
    }
    QTest::keyClick(modal, key);
  };
}

class WindowsTest : public ::testing::Test {
 protected:
  WindowsTest() : env(prefix.prefix()) {
    fs::create_directories(Host("work"));
    fs::current_path(Host("work"));
  }
  ~WindowsTest() override { InstallerApplication::Instance()->EndAfterReport(std::nullopt); }

  std::string Host(const std::string& onDriveC) const {
    return prefix.realDriveC() + "/" + onDriveC;
  }
  void PutGame(const std::string& folder, const std::string& name = "Sun.exe") {
    fs::create_directories(Host(folder));
    WriteHostFile(Host(folder + "/" + name), "game");
  }
  TMainForm& ShowMain() {
    main = std::make_unique<TMainForm>(&env);
    main->SetSecondaryWindows(&installForm, &licenseForm);
    main->show();
    return *main;
  }
  template <class T>
  T* Main(const char* name) {
    return Child<T>(main.get(), name);
  }
  void ExpectProposals(const QString& game) {
    EXPECT_EQ(Main<QLineEdit>("SunDir")->text(), game);
    EXPECT_EQ(Main<QLineEdit>("QuoDir")->text(), game + "Quorin\\");
    EXPECT_EQ(Main<QLineEdit>("RulesDir")->text(), game + "Rules\\");
    EXPECT_TRUE(Main<QPushButton>("InstallBtn")->isEnabled());
    EXPECT_FALSE(Main<QToolButton>("TSDirBtn")->isVisible());
    EXPECT_TRUE(Main<QFrame>("Others")->isVisible());
  }

  CurrentDirectoryGuard cwd;
  TempWinePrefix prefix;
  PrefixRecordingEnv env;
  TInstallForm installForm;
  TLicenseForm licenseForm;
  std::unique_ptr<TMainForm> main;
};

TEST_F(WindowsTest, WithoutTheGameOnlyBrowsingLeadsOnAndAbortEndsWithStatusZero) {
  ShowMain();
  EXPECT_EQ(main->windowTitle(), "Install Quorin - Tiberian Sun Launcher");
  EXPECT_EQ(main->size(), QSize(385, 369));
  EXPECT_EQ(Main<QLineEdit>("SunDir")->text(), "c:\\Westwood\\Tiberian Sun");
  EXPECT_TRUE(Main<QLineEdit>("SunDir")->isReadOnly());
  EXPECT_FALSE(Main<QPushButton>("InstallBtn")->isEnabled());
  EXPECT_TRUE(Main<QToolButton>("TSDirBtn")->isVisible());
  EXPECT_FALSE(Main<QFrame>("Others")->isVisible());
  EXPECT_TRUE(Main<QCheckBox>("InstallProgramFiles")->isChecked());
  EXPECT_FALSE(Main<QCheckBox>("InstallProgramFiles")->isEnabled());
  EXPECT_TRUE(Main<QCheckBox>("InstallOriginalRules")->isChecked());
  EXPECT_TRUE(Main<QCheckBox>("AssociateQRK")->isChecked());
  // Only the maintainer's build shows the data-file builder's button.
#ifdef INSTALLER_MAINTAINER
  constexpr bool kMaintainerBuild = true;
#else
  constexpr bool kMaintainerBuild = false;
#endif
  EXPECT_EQ(Main<QCheckBox>("DebugBox")->isChecked(), kMaintainerBuild);
  EXPECT_FALSE(Main<QCheckBox>("DebugBox")->isVisible());
  EXPECT_EQ(Main<QToolButton>("SpeedButton1")->isVisible(), kMaintainerBuild);
  EXPECT_EQ(main->DebugFlag(), kMaintainerBuild);
  // The builder packs with the main window's archive, at the maximum level.
  EXPECT_EQ(main->Archive().CompressionLevel(), fcMaximum);
  if (!kMaintainerBuild) {
    Main<QToolButton>("SpeedButton1")->click();  // the hidden button does nothing
    EXPECT_EQ(fs::current_path(), Host("work"));
  }
  const char* tabOrder[] = {"InstallBtn", "AbortBtn", "SunDir", "RulesDir", "QuoDir"};
  for (int i = 0; i + 1 < 5; ++i) {
    EXPECT_EQ(NextTabStop(Main<QWidget>(tabOrder[i]))->objectName(), tabOrder[i + 1]);
  }
  // Enter does nothing while Install is disabled.
  QTest::keyClick(main.get(), Qt::Key_Return);
  EXPECT_EQ(StatusAfter([&] { QTest::mouseClick(Main<QPushButton>("AbortBtn"), Qt::LeftButton); }),
            0);
  EXPECT_FALSE(main->isVisible());
}

// With WINEPREFIX naming a folder that is not a Wine prefix, the start says so, names the
// folder and how to choose another, and leaves the folder as it was.
TEST_F(WindowsTest, AFolderThatIsNoWinePrefixIsExplainedAtStart) {
  TempDir notAPrefix;
  PrefixRecordingEnv elsewhere(notAPrefix.path());
  QString title, text;
  ModalAnswers answers({PressKey(Qt::Key_Return, &title, &text)});
  TMainForm form(&elsewhere);
  form.SetSecondaryWindows(&installForm, &licenseForm);
  form.show();
  EXPECT_TRUE(answers.AllAnswered());
  EXPECT_EQ(title, "Information");
  EXPECT_EQ(text.toStdString(), "There is no Wine prefix at " + notAPrefix.path() +
                                    ".\r\rTo install into another prefix, start the installer "
                                    "with WINEPREFIX set to that prefix's folder.");
  EXPECT_TRUE(fs::is_empty(notAPrefix.path()));
  EXPECT_EQ(Child<QLineEdit>(&form, "SunDir")->text(), "c:\\Westwood\\Tiberian Sun");
}

TEST_F(WindowsTest, TheLastFixedLocationHoldingTheGameWins) {
  fs::create_directories(Host("Program Files/Tiberian Sun/Sun.exe"));  // a folder: no game
  PutGame("Westwood/Tiberian Sun");
  ShowMain();
  ExpectProposals("C:\\Westwood\\Tiberian Sun\\");

  PutGame("Games/Tiberian Sun");
  ShowMain();
  ExpectProposals("C:\\Games\\Tiberian Sun\\");

  fs::remove(Host("Program Files/Tiberian Sun/Sun.exe"));
  PutGame("Program Files/Tiberian Sun", "SUN.exe");
  ShowMain();
  ExpectProposals("C:\\Program Files\\Tiberian Sun\\");
}

// The player's way to a game on another drive: the dialog opens in C: with the prefix's drives
// by letter beside it, says why a file off those drives cannot be used, passes over a file of
// another name, and takes a Windows path typed in any letter case with one click on Open.
TEST_F(WindowsTest, BrowsingInsideThePrefixTakesATypedWindowsPathWithOneClick) {
  TempDir games, elsewhere;
  prefix.MapDrive('d', games.path());
  prefix.UnmapDrive('z');
  fs::create_directories(games / "TS");
  WriteHostFile(games / "TS/SUN.EXE", "game");
  WriteHostFile(games / "TS/MySun.exe", "not the game");
  fs::create_directories(elsewhere / "TS");
  WriteHostFile(elsewhere / "TS/Sun.exe", "game");
  ShowMain();

  // Types into the name field as a user does, then clicks Open once, where the user would.
  const auto typeAndOpen = [](QWidget* modal, const QString& typed) {
    auto* name = Child<QLineEdit>(modal, "fileNameEdit");
    name->clear();
    QTest::keyClicks(name, typed);
    QPushButton* open = Child<QDialogButtonBox>(modal, "buttonBox")->button(QDialogButtonBox::Open);
    QTest::mouseClick(modal->windowHandle(), Qt::LeftButton, {},
                      open->mapTo(modal, open->rect().center()));
    if (!QTest::qWaitFor([&] { return !modal->isVisible(); }, 1000)) {
      ADD_FAILURE() << "one click on Open did not take " << typed.toStdString();
      modal->close();
    }
  };
  QString title, shownFolder, information;
  QStringList drives;
  bool hiddenShown = false;
  {
    ModalAnswers answers({[&](QWidget* modal) {
                            auto* dialog = qobject_cast<QFileDialog*>(modal);
                            title = dialog->windowTitle();
                            shownFolder = dialog->directory().absolutePath();
                            hiddenShown = dialog->filter().testFlag(QDir::Hidden);
                            auto* sideBar = Child<QListView>(modal, "sidebar");
                            for (int row = 0; row < sideBar->model()->rowCount(); ++row) {
                              const QModelIndex index = sideBar->model()->index(row, 0);
                              drives << qobject_cast<QStyledItemDelegate*>(sideBar->itemDelegate())
                                            ->displayText(index.data(), QLocale());
                            }
                            typeAndOpen(modal, QString::fromStdString(elsewhere / "TS/Sun.exe"));
                          },
                          PressKey(Qt::Key_Return, nullptr, &information)});
    QTest::mouseClick(Main<QToolButton>("TSDirBtn"), Qt::LeftButton);
    EXPECT_TRUE(answers.AllAnswered());
  }
  EXPECT_EQ(title, "Find Tiberian Sun Directory");
  EXPECT_EQ(shownFolder, QString::fromStdString(prefix.driveC()));
  EXPECT_EQ(drives, QStringList({"C:", "D:"}));
  EXPECT_TRUE(hiddenShown);  // the default prefix ~/.wine is a hidden folder
  EXPECT_EQ(information.toStdString(),
            "The game cannot be used from " + (elsewhere / "TS/Sun.exe") +
                ": the file is on none of the prefix's drives (Wine prefix " + prefix.prefix() +
                ").");
  EXPECT_TRUE(Main<QToolButton>("TSDirBtn")->isVisible());

  {
    ModalAnswers answers({[&](QWidget* modal) {
      typeAndOpen(modal, QString::fromStdString(games / "TS/MySun.exe"));
    }});
    QTest::mouseClick(Main<QToolButton>("TSDirBtn"), Qt::LeftButton);
    EXPECT_TRUE(answers.AllAnswered());
  }
  EXPECT_TRUE(Main<QToolButton>("TSDirBtn")->isVisible());
  EXPECT_EQ(Main<QLineEdit>("SunDir")->text(), "c:\\Westwood\\Tiberian Sun");

  ModalAnswers chooseGame({[&](QWidget* modal) { typeAndOpen(modal, "d:\\ts\\sun.exe"); }});
  QTest::mouseClick(Main<QToolButton>("TSDirBtn"), Qt::LeftButton);
  ASSERT_TRUE(chooseGame.AllAnswered());
  ExpectProposals("D:\\TS\\");
}

TEST_F(WindowsTest, NextIsEnabledOnlyWhileAcceptedAndTheTickIsKept) {
  auto* next = Child<QPushButton>(&licenseForm, "NextBtn");
  auto* readIt = Child<QCheckBox>(&licenseForm, "ReadIt");
  EXPECT_EQ(licenseForm.windowTitle(), "License Agreement");
  EXPECT_FALSE(next->isEnabled());

  ModalAnswers tickUntickEscape({[&](QWidget* modal) {
    Tick(readIt);
    EXPECT_TRUE(next->isEnabled());
    Tick(readIt);
    EXPECT_FALSE(next->isEnabled());
    Tick(readIt);
    // The window has no default button: Enter in the text or on the box presses nothing.
    QTest::keyClick(Child<QPlainTextEdit>(modal, "Memo1"), Qt::Key_Return);
    QTest::keyClick(readIt, Qt::Key_Return);
    EXPECT_TRUE(modal->isVisible());
    QTest::keyClick(modal, Qt::Key_Escape);
  }});
  EXPECT_EQ(licenseForm.exec(), QDialog::Rejected);

  ModalAnswers closeBox({[](QWidget* modal) { modal->close(); }});
  EXPECT_EQ(licenseForm.exec(), QDialog::Rejected);

  bool keptTick = false;
  ModalAnswers pressNext({[&](QWidget*) {
    keptTick = readIt->isChecked() && next->isEnabled();
    QTest::mouseClick(next, Qt::LeftButton);
  }});
  EXPECT_EQ(licenseForm.exec(), QDialog::Accepted);
  EXPECT_TRUE(keptTick);
}

TEST_F(WindowsTest, ProgressCaptionsFollowTheBarAndHoldAtTheFull) {
  auto* percent = Child<QLabel>(&installForm, "Percent");
  installForm.ShowAndRepaint();
  EXPECT_TRUE(installForm.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(percent->text(), "Percent");
  EXPECT_EQ(Child<QLabel>(&installForm, "What")->text(), "What");
  QStringList captions;
  for (int i = 0; i < 8; ++i) {
    installForm.Step();
    captions << percent->text();
  }
  EXPECT_EQ(captions, QStringList({"17%", "33%", "50%", "67%", "83%", "100%", "100%", "100%"}));
  EXPECT_EQ(Child<QProgressBar>(&installForm, "ProgressBar")->value(), 600);
}

TEST_F(WindowsTest, HelpButtonsShowTheirInformationAndEscAnswersTheConfirmationNo) {
  PutGame("Westwood/Tiberian Sun");
  ShowMain();
  QString title, text;
  {
    ModalAnswers answers({PressKey(Qt::Key_Return, &title, &text)});
    QTest::mouseClick(Main<QToolButton>("RulesDirHelpBtn"), Qt::LeftButton);
  }
  EXPECT_EQ(title, "Information");
  EXPECT_EQ(text,
            "The \"Rules Directory\" is the directory in which you intend to store all the rules "
            "files you want Quorin to use. \r\rThe default is a subdirectory called \"Rules\" off "
            "your Tiberian Sun directory, e.g. \"C:\\Westwood\\Tiberian Sun\\Rules\\\"");

  {
    ModalAnswers more({PressKey(Qt::Key_Escape, &title, &text)});
    QTest::mouseClick(Main<QToolButton>("QuorinDirHelpBtn"), Qt::LeftButton);
    EXPECT_TRUE(more.AllAnswered());
  }
  EXPECT_TRUE(
      text.startsWith("The \"Quorin Directory\" is the directory where you want the "
                      "Quorin program files to be installed.\r\rThe default"));

  QStringList captions;
  ModalAnswers escape({[&](QWidget* modal) {
    for (QAbstractButton* button : qobject_cast<QMessageBox*>(modal)->buttons()) {
      captions << button->text();
    }
    PressKey(Qt::Key_Escape, &title)(modal);
  }});
  EXPECT_FALSE(dialogs::Confirm("Installation Complete.\r\rRun Quorin now?"));  // Esc is No
  EXPECT_EQ(title, "Confirm");
  EXPECT_EQ(captions, QStringList({"&Yes", "&No"}));
}

TEST_F(WindowsTest, EnterInstallsEverythingAndTheProgramStartsTwice) {
  PutGame("Westwood/Tiberian Sun");
  builder::ArchiveBuilder data;
  for (int i = 0; i < 8; ++i) {
    data.Deflated(kMemberNames[i], MemberContent(i), 3);
  }
  data.Write(Host("work/InstallQuorin.dat"));
  ShowMain();

  // The percentage the progress window shows after each member.
  QStringList percentages;
  const TFileExtractedEvent step = main->Archive().OnFileExtracted;
  main->Archive().OnFileExtracted = [&](const std::string& file) {
    step(file);
    percentages << Child<QLabel>(&installForm, "Percent")->text();
  };

  QString title, text;
  ModalAnswers answers({AcceptTerms(), PressKey(Qt::Key_Return, &title, &text)});
  EXPECT_EQ(StatusAfter([&] { QTest::keyClick(main.get(), Qt::Key_Return); }), 0);
  EXPECT_EQ(percentages, QStringList({"17%", "33%", "50%", "67%", "83%", "100%", "100%", "100%"}));
  EXPECT_TRUE(answers.AllAnswered());
  EXPECT_EQ(title, "Confirm");
  EXPECT_EQ(text, "Installation Complete.\r\rRun Quorin now?");
  EXPECT_FALSE(main->isVisible());
  EXPECT_FALSE(installForm.isVisible());
  EXPECT_EQ(Child<QLabel>(&installForm, "What")->text(), "rules.ini");
  EXPECT_EQ(ReadHostFile(Host("Westwood/Tiberian Sun/Rules/rules.ini")), MemberContent(7));
  EXPECT_EQ(
      ReadHostFile(Host("Westwood/Tiberian Sun/Quorin/Quorin.ini")),
      installer::IniText("C:\\Westwood\\Tiberian Sun\\", "C:\\Westwood\\Tiberian Sun\\Rules\\"));
  ASSERT_EQ(env.starts.size(), 2u);
  EXPECT_EQ(env.starts[0], (ProgramStart{"C:\\Westwood\\Tiberian Sun\\Quorin\\Quorin.exe",
                                         "/associateqrk", "C:\\Westwood\\Tiberian Sun\\Quorin\\"}));
  EXPECT_EQ(env.starts[1].parameters, "");
}

TEST_F(WindowsTest, AFailureAfterTheSwitchIsReportedAndEndsWithStatusOne) {
  PutGame("Westwood/Tiberian Sun");
  builder::ArchiveBuilder data;  // the first member's data is no zlib stream
  for (int i = 0; i < 8; ++i) {
    data.Deflated(kMemberNames[i], MemberContent(i), 3);
  }
  data.members[0].data = "damaged";
  data.Write(Host("work/InstallQuorin.dat"));
  ShowMain();

  QString title, text;
  // Before the main window is hidden, a failure is reported and the program goes on.
  {
    ModalAnswers report({PressKey(Qt::Key_Return, &title, &text)});
    EXPECT_EQ(
        StatusAfter([] { QTimer::singleShot(0, [] { throw Exception("Stream read error"); }); }),
        -1);
  }
  EXPECT_EQ(text, "Stream read error.");

  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;
  ModalAnswers answers({AcceptTerms(), [&](QWidget* modal) {
                          auto* box = qobject_cast<QMessageBox*>(modal);
                          icon = box->icon();
                          buttons = static_cast<int>(box->buttons().size());
                          PressKey(Qt::Key_Return, &title, &text)(modal);
                        }});
  EXPECT_EQ(
      StatusAfter([&] { QTest::mouseClick(Main<QPushButton>("InstallBtn"), Qt::LeftButton); }), 1);
  EXPECT_EQ(title, "Installquorin");
  EXPECT_EQ(text, "File (0) is corrupt.");
  EXPECT_EQ(icon, QMessageBox::Critical);
  EXPECT_EQ(buttons, 1);
  EXPECT_FALSE(main->isVisible());
  EXPECT_TRUE(installForm.isVisible());
  EXPECT_FALSE(fs::exists(Host("Westwood/Tiberian Sun/Quorin/Quorin.exe")));
}

}  // namespace
