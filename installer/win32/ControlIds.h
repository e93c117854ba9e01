#pragma once

// The identifiers of the windows' controls, each named as its control: what a program that
// drives the windows (the tests) finds them by, with GetDlgItem on the window that holds them.
namespace controls {

enum : int {
  // The main window ("Install Quorin - Tiberian Sun Launcher").
  Image1 = 1001,
  InstallBtn,
  AbortBtn,
  Label1,
  Label2,
  TSDirBtn,
  SunDir,
  Others,  // the panel; the controls below up to AssociateQRK lie on it
  Label3,
  RulesDirHelpBtn,
  Label4,
  RulesDir,
  QuoDir,
  Label5,
  QuorinDirHelpBtn,
  GroupBox1,
  InstallProgramFiles,
  InstallOriginalRules,
  AssociateQRK,
  SpeedButton1,
  Ini,
  DebugBox,
  Label6,

  // The progress window.
  Panel1 = 1101,
  Percent,
  ProgressBar,
  What,

  // The agreement window ("License Agreement").
  Memo1 = 1201,
  NextBtn,
  ReadIt,
  CancelBtn,

  // The Information and Confirm dialogs: their text. Their buttons are IDOK, IDYES and IDNO.
  MessageText = 1301,
  MessageIcon,
};

}  // namespace controls
