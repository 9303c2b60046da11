# Writes pelkor.1.gz from the program's own --help.
# cmake -DPROGRAM=... -DOUTPUT=.../pelkor.1 -DVERSION=... -DDATE=... -P ManPage.cmake
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
        ${PROGRAM} --help
    OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "pelkor --help failed (${status})")
endif()

function(roff_escape text out)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

string(REPLACE "\n" ";" lines "${help}")
set(description "")
set(options "")
set(section head)
foreach(line IN LISTS lines)
    if(line MATCHES "^[^ ].*[:：]$" AND NOT section STREQUAL head)
        continue()
    endif()
    if(section STREQUAL head)
        if(line MATCHES "^(Usage|用法)")
            continue()
        elseif(line MATCHES "^[^ ].*[:：]$")
            set(section options)
        elseif(NOT line STREQUAL "")
            string(APPEND description "${line}\n")
        endif()
    elseif(line MATCHES "^  (-[^ ].*[^ ])  +(.*)$")
        roff_escape("${CMAKE_MATCH_1}" name)
        string(APPEND options ".TP\n.B ${name}\n${CMAKE_MATCH_2}\n")
    elseif(line MATCHES "^  +([^ ].*)$")
        string(APPEND options "${CMAKE_MATCH_1}\n")
    endif()
endforeach()

file(WRITE ${OUTPUT} ".TH PELKOR 1 \"${DATE}\" \"Pelkor ${VERSION}\" \"User Commands\"
.SH NAME
pelkor \\- 水站配送管理系统
.SH SYNOPSIS
.B pelkor
[\\fB\\-\\-database\\fR \\fIURL\\fR] [\\fB\\-\\-demo\\fR]
.br
.B pelkor
[\\fB\\-\\-database\\fR \\fIURL\\fR] \\fB\\-\\-backup\\fR \\fIFILE\\fR | \\fB\\-\\-restore\\fR \\fIFILE\\fR
.br
.B pelkor
\\fB\\-\\-ring\\fR \\fINUMBER\\fR
.SH DESCRIPTION
${description}
.SH OPTIONS
${options}
.SH FILES
.TP
.I ~/.config/Pelkor/registry.reg
本机的数据库连接与电话线路设置（仅所有者可读）。环境变量 PELKOR_REGISTRY 可指定其它文件。
.TP
.I ~/.local/state/Pelkor/pelkor.log
错误记录：程序显示的错误和失败的数据库语句（不含密码）。环境变量 PELKOR_LOG 可指定其它文件。
.TP
.I sale.rpx
销售单据的打印格式。
.SH EXIT STATUS
0 正常结束；1 操作失败；2 命令行选项有误。
")
file(ARCHIVE_CREATE OUTPUT ${OUTPUT}.gz PATHS ${OUTPUT} FORMAT raw COMPRESSION GZip)
