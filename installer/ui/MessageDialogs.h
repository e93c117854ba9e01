#pragma once

#include <QString>

class QWidget;

// The installer's modal message dialogs, each centred on the screen.
namespace dialogs {

// Information: title "Information", information icon, the single button "OK".
void ShowInformation(const QString& text);
// Confirmation: title "Confirm", question icon, "&Yes" (the default) and "&No"; Esc and the
// close box answer No. True for Yes.
bool Confirm(const QString& text);
// The general error report: the stop icon and the single button OK.
void ShowErrorReport(const QString& title, const QString& text);

// Moves a top-level window to the middle of its screen.
void CentreOnScreen(QWidget* window);

}  // namespace dialogs
