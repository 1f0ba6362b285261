# tolvane_folder_library(NAME [PUBLIC deps...] [PRIVATE deps...]): one static
# library per folder of the design, from every source file in that folder.
function(tolvane_folder_library name)
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
        ${CMAKE_CURRENT_SOURCE_DIR}/*.ui ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
    set(cpp ${sources})
    list(FILTER cpp INCLUDE REGEX "\\.cpp$")
    if(NOT cpp)
        # A folder whose code has not landed yet still takes part in the link graph.
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
        set(deps ${ARGN})
        list(REMOVE_ITEM deps PUBLIC PRIVATE)
        target_link_libraries(${name} INTERFACE ${deps})
        return()
    endif()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} ${ARGN})
    tolvane_warnings(${name})
endfunction()
