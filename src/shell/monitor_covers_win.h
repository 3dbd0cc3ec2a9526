// Black popups over every monitor during a full-screen run, so that no monitor shows the
// desktop or passes input to other programs: shown the moment the run starts, before the
// device or any file is ready; the primary monitor's goes once saverWindow shows the scene
// (all of them when the scene spans every monitor), and where each monitor shows the same
// picture the others' covers are what it is presented into.
// Created hidden with saverWindow (and owned by it, so they go with it). Input on them
// follows saverWindow's rules and ends the whole run. Main thread only.
#pragma once

#include <windows.h>

#include <vector>

extern const char kMonitorCoverClass[];  // "QuordaCoverClass"

// The covers of this run, one per monitor; the primary monitor's first.
extern std::vector<HWND> monitorCovers;

// Creates a hidden cover for each monitor.
void CreateMonitorCovers();

// Shows every cover above everything else and gives the primary monitor's the keyboard, so
// that the first key press reaches the saver even before its window shows.
void ShowMonitorCovers();

// saverWindow now shows the scene: the primary monitor's cover goes, and every other one too
// when the scene spans all monitors. The others stay, black or showing the same picture.
void HideCoversUnderScene(bool sceneSpans);

// The monitors were added, removed or rearranged: new covers for the new layout, shown when
// `show` (those under the scene only while saverWindow is hidden).
void FollowMonitorLayout(bool show, bool sceneSpans);

// A mouse position in a window's client coordinates, moved into screen coordinates, so that
// the same place counts once whichever of the run's windows reports it.
LPARAM MouseToScreen(HWND window, LPARAM lParam);

LRESULT CALLBACK MonitorCoverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
