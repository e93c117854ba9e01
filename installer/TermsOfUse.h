#pragma once

// The product's terms of use: the agreement window shows them, and "InstallQuorin --show-terms"
// prints them for an unattended installation, which accepts them with --accept-terms. Twelve
// lines, each ending in a line feed.
namespace installer {

inline constexpr char kTermsOfUse[] =
    "LICENSE AGREEMENT------------------\n"
    "\n"
    "Quorin is a free add-on for the game Tiberian Sun. You may use it without charge and give "
    "copies of this installer to others, whole and unchanged.\n"
    "You may not sell Quorin, nor include it in anything that is sold.\n"
    "Quorin copies rules files into your game directory only when you ask it to. Keep copies of "
    "any game files you do not want to lose.\n"
    "Rules packages made by others are their authors' work; their terms are their own.\n"
    "Quorin is provided as it is, without warranty of any kind, express or implied.\n"
    "In no event shall its authors be liable for any damage or loss arising from its use.\n"
    "Uninstalling: \"InstallQuorin --uninstall\" removes what was installed and keeps the files "
    "you changed.\n"
    "Questions and reports are welcome on the project's page.\n"
    "\n"
    "By ticking \"I accept\" and pressing Next you agree to these terms.\n";

}  // namespace installer
