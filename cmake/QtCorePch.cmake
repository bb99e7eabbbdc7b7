# The QtCore and standard headers the libraries without widgets share, precompiled: parsing them was most of
# the compile time of a file in app/, wizard/, download/ and cli/. One set serves every library whose
# compile options match this owner's (reel_qtcore_pch); a library with definitions of its own that these
# headers look at (reel_app: _REENTRANT from libcanberra) makes its own from the same list. -Winvalid-pch
# says when a set is not taken.
set(REEL_QTCORE_PCH <QByteArray> <QDir> <QFile> <QFileInfo> <QString> <QStringList> <functional> <map> <memory>
    <mutex> <string> <vector>)
add_library(reel_qtcore_pch OBJECT ${CMAKE_CURRENT_LIST_DIR}/PrecompiledQtCore.cpp)
set_target_properties(reel_qtcore_pch PROPERTIES AUTOMOC OFF)
target_link_libraries(reel_qtcore_pch PRIVATE Qt6::Core)
target_precompile_headers(reel_qtcore_pch PRIVATE ${REEL_QTCORE_PCH})

function(reel_qtcore_pch target)
  target_precompile_headers(${target} REUSE_FROM reel_qtcore_pch)
endfunction()
