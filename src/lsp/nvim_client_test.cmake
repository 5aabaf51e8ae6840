# Runs nvim_client_test.lua in a headless Neovim against kestrix-lsp and
# compares what it wrote with nvim_client_test.expected.
# Arguments: NVIM, LSP, CONF, SOURCE (this folder), WORK (a folder to write in).
file(MAKE_DIRECTORY ${WORK})
file(REMOVE ${WORK}/nvim_client_test.out)
set(ENV{KX_LSP} ${LSP})
set(ENV{KX_CONF} ${CONF})
set(ENV{KX_OUT} ${WORK}/nvim_client_test.out)
# Neovim's own state and logs stay in the work folder.
set(ENV{XDG_CACHE_HOME} ${WORK})
set(ENV{XDG_STATE_HOME} ${WORK})
set(ENV{XDG_DATA_HOME} ${WORK})
execute_process(COMMAND ${NVIM} --headless -u NONE -i NONE -n -c "luafile ${SOURCE}/nvim_client_test.lua"
                INPUT_FILE /dev/null TIMEOUT 90 RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nvim ended with ${status}")
endif()
file(READ ${WORK}/nvim_client_test.out got)
file(READ ${SOURCE}/nvim_client_test.expected expected)
if(NOT got STREQUAL expected)
  message(FATAL_ERROR "Neovim got:\n${got}\nexpected:\n${expected}")
endif()
