#pragma once
#include <QString>

// The search indicator, the video help and the help document. The main
// window's actions call these; report windows call the two search ones
// around a long query.
namespace HelpActions {
// Video/<keyword>.gif and Video/R_P.rtf: the program folder's own, else the
// delivered copy; when neither exists, the program folder's path.
QString clipFile(const QString &keyword);
QString helpDocument();

// Search indicator on: nothing when the search clip is missing; otherwise the
// indicator (made once) goes to the lower right corner and plays its clip.
void Action_SearchExecute();
// Search indicator off: the clip stops; the window stays until closed.
void Action_Stop_SearchExecute();
// The indicator runs while this lives (around a report's query).
struct SearchIndicator {
    SearchIndicator() { Action_SearchExecute(); }
    ~SearchIndicator() { Action_Stop_SearchExecute(); }
    SearchIndicator(const SearchIndicator &) = delete;
    SearchIndicator &operator=(const SearchIndicator &) = delete;
};

// Video help: clip "1" (article editing) and "2" (adding a counterparty).
void Action_Edit_ArtExecute();
void Action_Add_KontragExecute();
void showVideoHelp(const QString &keyword);

// "Помощ": opens the help document with its program; false when it is missing.
bool N_HelpClick();
} // namespace HelpActions
