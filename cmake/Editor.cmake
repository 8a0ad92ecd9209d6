# The collection editor: the framework under it (fw/), the document, views, frame and
# application, and the Pelorand program. Included last from the top-level CMakeLists.txt.

# The framework's portable rules (splitter layout, recent-file list), built and tested natively too.
add_library(pelorand_fw_portable STATIC
  fw/SplitterLayout.cpp
  fw/RecentFileList.cpp
  fw/NumberText.cpp
)
target_link_libraries(pelorand_fw_portable PUBLIC pelorand_core)

if(WIN32)
  enable_language(RC)
  add_library(pelorand_editor STATIC
    fw/Wnd.cpp
    fw/View.cpp
    fw/TreeView.cpp
    fw/ListView.cpp
    fw/SplitterWnd.cpp
    fw/ControlBar.cpp
    fw/ToolBar.cpp
    fw/ReBar.cpp
    fw/StatusBar.cpp
    fw/FrameWnd.cpp
    fw/Document.cpp
    fw/FileStamp.cpp
    fw/Recovery.cpp
    fw/SingleDocTemplate.cpp
    fw/WinApp.cpp
    fw/Dialog.cpp
    fw/Dpi.cpp
    fw/PropertyPage.cpp
    fw/PropertySheet.cpp
    fw/Worker.cpp
    fw/DataExchange.cpp
    views/ShellInfo.cpp
    doc/PelorandDoc.cpp
    views/PelorandTreeView.cpp
    views/PelorandListView.cpp
    views/ImageHtmlView.cpp
    views/PageFile.cpp
    views/PagePainter.cpp
    views/PageToolTip.cpp
    views/ImageDecoder.cpp
    views/ThumbnailScheduler.cpp
    ui/MainFrame.cpp
    app/PelorandApp.cpp
    model/FontRecord_win.cpp
    ui/AboutDlg.cpp
    ui/PelorandChangerStart.cpp
    # The wallpaper changer's windows
    changer/FileInfomationView_win.cpp
    changer/PelorandChanger_win.cpp
    changer/PelorandWallPaperHistory_win.cpp
    changer/PicturePreview_win.cpp
    changer/LoadedPicture_win.cpp
    # Dialogs: entry properties, author list, options sheet, context help.
    fw/CommonDialogs.cpp
    fw/DataExchangeControls.cpp
    fw/HelpPopup.cpp
    ui/ContextHelp.cpp
    ui/CreaterListDlg.cpp
    ui/NewCreaterDlg.cpp
    ui/PropertyDlg.cpp
    ui/PropertyCommands.cpp
    ui/ImageLayoutPreview.cpp
    ui/PelorandOption.cpp
    ui/PelorandOptionFileChanger.cpp
    ui/PelorandOptionEndFile.cpp
    ui/PelorandWallPaperInfomation.cpp
    ui/PelorandViewInfomation.cpp
    # Editing: clipboard and drag and drop, shell drops and the picker, shared view pieces.
    fw/OleTransfer.cpp
    fw/DragDrop.cpp
    doc/ShellTransfer.cpp
    views/ViewEditing.cpp
  )
  target_link_libraries(pelorand_editor PUBLIC pelorand_fw_portable pelorand_platform
    comctl32 comdlg32 shell32 ole32 oleaut32 uuid gdi32 user32 advapi32 windowscodecs)

  set(PELORAND_RESOURCES ${CMAKE_SOURCE_DIR}/res/Pelorand.rc)
  # What the resources include. A source's properties belong to one directory: the tests'
  # directory sets the same again for its own copy of the resources.
  set(PELORAND_RESOURCE_DEPENDS "${CMAKE_SOURCE_DIR}/res/resource.h;${CMAKE_SOURCE_DIR}/fw/Ids.h;${CMAKE_SOURCE_DIR}/doc/EditIds.h;${CMAKE_SOURCE_DIR}/res/Changer.rc;${CMAKE_SOURCE_DIR}/res/Dialogs.rc;${CMAKE_SOURCE_DIR}/res/Pelorand.ico;${CMAKE_SOURCE_DIR}/res/Toolbar.bmp;${CMAKE_SOURCE_DIR}/res/Pelorand.manifest;${CMAKE_BINARY_DIR}/generated/PelorandVersion.h")
  set_source_files_properties(${PELORAND_RESOURCES} PROPERTIES
    OBJECT_DEPENDS "${PELORAND_RESOURCE_DEPENDS}")

  add_executable(Pelorand WIN32 app/Main_win.cpp ${PELORAND_RESOURCES})
  target_link_libraries(Pelorand PRIVATE pelorand_editor)
endif()

if(PELORAND_TESTS AND NOT PELORAND_FUZZ)
  add_subdirectory(tests/editor)
endif()

# Figures, run by hand (see README): never part of the tests.
if(WIN32)
  add_executable(editor_figures EXCLUDE_FROM_ALL bench/EditorFigures_win.cpp ${PELORAND_RESOURCES})
  target_link_libraries(editor_figures PRIVATE pelorand_editor psapi)
  add_executable(changer_figures EXCLUDE_FROM_ALL bench/ChangerFigures_win.cpp ${PELORAND_RESOURCES})
  target_link_libraries(changer_figures PRIVATE pelorand_editor psapi)
  add_executable(thumbnail_figures EXCLUDE_FROM_ALL bench/ThumbnailFigures_win.cpp ${PELORAND_RESOURCES})
  target_link_libraries(thumbnail_figures PRIVATE pelorand_editor psapi)
  add_executable(limit_figures EXCLUDE_FROM_ALL bench/LimitFigures_win.cpp ${PELORAND_RESOURCES})
  target_link_libraries(limit_figures PRIVATE pelorand_editor)
  add_executable(import_figures EXCLUDE_FROM_ALL bench/ImportFigures_win.cpp ${PELORAND_RESOURCES})
  target_link_libraries(import_figures PRIVATE pelorand_editor)
  add_executable(thumbnail_decode_figures EXCLUDE_FROM_ALL bench/ThumbnailDecodeFigures_win.cpp
    ${PELORAND_RESOURCES})
  target_link_libraries(thumbnail_decode_figures PRIVATE pelorand_editor psapi windowscodecs)
endif()

# A helper of the editing script: files on the clipboard as the shell copies them.
if(WIN32)
  add_executable(e2e_clip_files tests/e2e/ClipFiles_win.cpp)
  target_link_libraries(e2e_clip_files PRIVATE pelorand_options user32)
endif()

# The help page ships beside the program.
if(WIN32)
  add_custom_command(TARGET Pelorand POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/res/help/Pelorand.html
            $<TARGET_FILE_DIR:Pelorand>/Pelorand.html)
endif()
