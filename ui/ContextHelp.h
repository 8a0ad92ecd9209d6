// The program's context help for its dialogs and options pages: the help context id each
// control carries, the topic texts (string table, one place for translators), and what F1 or
// the title-bar "?" on a control shows.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

// The context id control carries in dialog dialogId, or 0 when it carries none.
DWORD DialogHelpId(UINT dialogId, HWND control, std::initializer_list<int> endButtons = {});
// Gives every control of dialog that carries help its context id, so that the system reports
// it with the help request.
void AssignHelpIds(HWND dialog, UINT dialogId, std::initializer_list<int> endButtons = {});
// The topic text of a context id; empty when there is none.
std::string HelpTopicText(DWORD contextId);
// Answers a help request: the topic of the control under it in a pop-up beside the control;
// for anything without a topic, the help page. Returns true (the request is handled).
bool ShowContextHelp(const HELPINFO& info);
// Adds the title-bar "?" to a property sheet (the pages' help requests need it).
void AddHelpButtonToSheet(HWND sheet);
