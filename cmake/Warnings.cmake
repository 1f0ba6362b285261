option(TOLVANE_WERROR "Treat compiler warnings as errors" OFF)

# Applied per target, so third-party code (generated moc/uic files included) is not judged.
function(tolvane_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast)
    if(TOLVANE_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
