# Warnings every project target is built with.
function(zorvia_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
