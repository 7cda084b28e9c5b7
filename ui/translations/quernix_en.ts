<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Application</name>
    <message>
        <source>内存不足</source>
        <translation>Out of memory</translation>
    </message>
    <message>
        <source>未知错误</source>
        <translation>Unknown error</translation>
    </message>
</context>
<context>
    <name>BatchRun</name>
    <message>
        <source>文件夹无法搜索：%1</source>
        <translation>Folder could not be searched: %1</translation>
    </message>
    <message>
        <source>%1 个文件已计算，%2 个失败</source>
        <translation>Files hashed: %1, failed: %2</translation>
    </message>
    <message>
        <source>，%1 个文件夹无法搜索</source>
        <translation>, folders not searched: %1</translation>
    </message>
    <message>
        <source>；已被用户终止，%1 个未计算</source>
        <translation>; stopped by the user, not hashed: %1</translation>
    </message>
</context>
<context>
    <name>ErrorText</name>
    <message>
        <source>文件或文件夹不存在</source>
        <translation>No such file or folder</translation>
    </message>
    <message>
        <source>路径中有一部分不是文件夹</source>
        <translation>A part of the path is not a folder</translation>
    </message>
    <message>
        <source>没有访问权限</source>
        <translation>Permission denied</translation>
    </message>
    <message>
        <source>不允许此操作</source>
        <translation>Operation not permitted</translation>
    </message>
    <message>
        <source>是文件夹</source>
        <translation>Is a folder</translation>
    </message>
    <message>
        <source>输入输出错误（磁盘或设备可能有故障）</source>
        <translation>Input/output error (the disk or device may be faulty)</translation>
    </message>
    <message>
        <source>符号链接层数太多（可能是循环链接）</source>
        <translation>Too many levels of symbolic links (maybe a loop)</translation>
    </message>
    <message>
        <source>文件名太长</source>
        <translation>File name too long</translation>
    </message>
    <message>
        <source>磁盘空间不足</source>
        <translation>No space left on the device</translation>
    </message>
    <message>
        <source>超出磁盘配额</source>
        <translation>Disk quota exceeded</translation>
    </message>
    <message>
        <source>文件系统是只读的</source>
        <translation>Read-only file system</translation>
    </message>
    <message>
        <source>本程序打开的文件太多</source>
        <translation>Too many open files in this program</translation>
    </message>
    <message>
        <source>系统中打开的文件太多</source>
        <translation>Too many open files in the system</translation>
    </message>
    <message>
        <source>内存不足</source>
        <translation>Out of memory</translation>
    </message>
    <message>
        <source>文件正被运行中的程序使用</source>
        <translation>The file is in use by a running program</translation>
    </message>
    <message>
        <source>设备或地址不存在</source>
        <translation>No such device or address</translation>
    </message>
    <message>
        <source>设备不存在</source>
        <translation>No such device</translation>
    </message>
    <message>
        <source>设备中没有介质</source>
        <translation>No medium in the device</translation>
    </message>
    <message>
        <source>设备或资源正忙</source>
        <translation>Device or resource busy</translation>
    </message>
    <message>
        <source>文件太大</source>
        <translation>File too large</translation>
    </message>
    <message>
        <source>文件太大，超出可处理的范围</source>
        <translation>File too large to be handled</translation>
    </message>
    <message>
        <source>参数无效</source>
        <translation>Invalid argument</translation>
    </message>
    <message>
        <source>文件已存在</source>
        <translation>File exists</translation>
    </message>
    <message>
        <source>不能跨文件系统移动</source>
        <translation>Cannot move across file systems</translation>
    </message>
    <message>
        <source>资源暂时不可用</source>
        <translation>Resource temporarily unavailable</translation>
    </message>
    <message>
        <source>操作被中断</source>
        <translation>The operation was interrupted</translation>
    </message>
    <message>
        <source>操作超时</source>
        <translation>The operation timed out</translation>
    </message>
    <message>
        <source>未连接（网络文件系统已断开）</source>
        <translation>Not connected (a network file system is gone)</translation>
    </message>
    <message>
        <source>网络文件句柄已失效</source>
        <translation>Stale network file handle</translation>
    </message>
    <message>
        <source>文件系统需要修复</source>
        <translation>The file system needs repair</translation>
    </message>
    <message>
        <source>不支持此操作</source>
        <translation>Operation not supported</translation>
    </message>
    <message>
        <source>文件描述符无效</source>
        <translation>Bad file descriptor</translation>
    </message>
    <message>
        <source>文件不存在</source>
        <translation>File not found</translation>
    </message>
    <message>
        <source>没有读取权限</source>
        <translation>Permission denied</translation>
    </message>
    <message>
        <source>是文件夹，未搜索</source>
        <translation>Is a folder, not searched</translation>
    </message>
    <message>
        <source>不是普通文件，未读取</source>
        <translation>Not a regular file, not read</translation>
    </message>
    <message>
        <source>读取错误：%1</source>
        <translation>Read error: %1</translation>
    </message>
    <message>
        <source>文件在读取时被改动</source>
        <translation>The file changed while it was read</translation>
    </message>
    <message>
        <source>已终止，未计算完</source>
        <translation>Stopped before the end</translation>
    </message>
    <message>
        <source>未知的算法</source>
        <translation>Unknown algorithm</translation>
    </message>
    <message>
        <source>不是校验行</source>
        <translation>not a checksum line</translation>
    </message>
    <message>
        <source>含有空字节</source>
        <translation>contains a NUL byte</translation>
    </message>
    <message>
        <source>缺少文件名</source>
        <translation>no file name</translation>
    </message>
    <message>
        <source>文件名中有未知的反斜杠转义</source>
        <translation>unknown backslash escape in the file name</translation>
    </message>
    <message>
        <source>未知的算法标记“%1”</source>
        <translation>unknown algorithm tag &apos;%1&apos;</translation>
    </message>
    <message>
        <source>是 %1 的校验行，不是 %2 的</source>
        <translation>a %1 line, not %2</translation>
    </message>
    <message>
        <source>没有哪种算法的校验值是 %1 位十六进制数</source>
        <translation>no algorithm has digests of %1 hex digits</translation>
    </message>
    <message>
        <source>%1 的校验值有 %2 位十六进制数，这里是 %3 位</source>
        <translation>%3 hex digits for %1, not %2</translation>
    </message>
    <message>
        <source>行长超过 %1 字节</source>
        <translation>line longer than %1 bytes</translation>
    </message>
</context>
<context>
    <name>TBesideChecks</name>
    <message>
        <source>与 %1 第 %2 行一致</source>
        <translation>matches line %2 of %1</translation>
    </message>
    <message>
        <source>与 %1 第 %2 行不符
应为 %3</source>
        <translation>differs from line %2 of %1
expected %3</translation>
    </message>
    <message>
        <source>；与旁边的校验文件相比：%1 个正确，%2 个错误</source>
        <translation>; against the checksum files beside them: %1 OK, %2 FAILED</translation>
    </message>
    <message>
        <source>无法读取校验文件：%1</source>
        <translation>Cannot read the checksum file: %1</translation>
    </message>
    <message>
        <source>校验文件未能读完：%1</source>
        <translation>The checksum file could not be read to its end: %1</translation>
    </message>
    <message>
        <source>不是校验文件：第 %1 行 %2</source>
        <translation>Not a checksum file: line %1 %2</translation>
    </message>
    <message>
        <source>正确（%1）</source>
        <translation>OK (%1)</translation>
    </message>
    <message>
        <source>错误（%1）</source>
        <translation>FAILED (%1)</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Quernix 文件校验工具</source>
        <translation>Quernix file checksums</translation>
    </message>
    <message>
        <source>拖拽文件到这个窗口</source>
        <translation>Drop files here</translation>
    </message>
    <message>
        <source>Quernix 2011  ver1005 [32位版本]</source>
        <translation>Quernix 2011  ver1005 [32-bit edition]</translation>
    </message>
    <message>
        <source>本工具是免费工具，有任何建议或问题请联系：</source>
        <translation>This tool is free. For suggestions and questions, see:</translation>
    </message>
    <message>
        <source>Quernix 2011  Ver1005 [32位版本]</source>
        <translation>Quernix 2011  Ver1005 [32-bit edition]</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open files</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Open folder</translation>
    </message>
    <message>
        <source>终止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>始终在前面</source>
        <translation>Always on top</translation>
    </message>
    <message>
        <source>文件(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>打开文件(&amp;O)...</source>
        <translation>&amp;Open files...</translation>
    </message>
    <message>
        <source>打开文件夹(&amp;D)...</source>
        <translation>Open fol&amp;der...</translation>
    </message>
    <message>
        <source>始终在前面(&amp;S)</source>
        <translation>Always on &amp;top</translation>
    </message>
    <message>
        <source>退出(&amp;Q)</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>文本(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>复制(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>清除(&amp;O)</source>
        <translation>Cle&amp;ar</translation>
    </message>
    <message>
        <source>关于(&amp;A)</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>关于本工具(&amp;W)</source>
        <translation>&amp;About this tool</translation>
    </message>
    <message>
        <source>访问主页</source>
        <translation>Help page: </translation>
    </message>
    <message>
        <source>复制文本(&amp;C)</source>
        <translation>&amp;Copy text</translation>
    </message>
    <message>
        <source>清除所有(&amp;O)</source>
        <translation>Clear &amp;all</translation>
    </message>
    <message>
        <source>打开文件(&amp;F)</source>
        <translation>Open &amp;files</translation>
    </message>
    <message>
        <source>打开文件夹(&amp;D)</source>
        <translation>Open fol&amp;der</translation>
    </message>
    <message>
        <source>终止操作(&amp;Z)</source>
        <translation>&amp;Stop</translation>
    </message>
    <message>
        <source>关于本工具</source>
        <translation>About this tool</translation>
    </message>
    <message>
        <source>请选择一个或多个文件</source>
        <translation>Choose one or more files</translation>
    </message>
    <message>
        <source>选择文件夹</source>
        <translation>Choose a folder</translation>
    </message>
    <message>
        <source>GNU 校验文件 (*.%1)</source>
        <translation>GNU checksum file (*.%1)</translation>
    </message>
    <message>
        <source>BSD 格式校验文件 (*.%1)</source>
        <translation>BSD-style checksum file (*.%1)</translation>
    </message>
    <message>
        <source>SFV 校验文件 (*.sfv)</source>
        <translation>SFV file (*.sfv)</translation>
    </message>
    <message>
        <source>请选择要验证的校验文件</source>
        <translation>Choose the checksum file to verify</translation>
    </message>
    <message>
        <source>所有文件 (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>保存结果为校验文件</source>
        <translation>Save the results as a checksum file</translation>
    </message>
    <message>
        <source>与已知校验值比较</source>
        <translation>Compare with a known digest</translation>
    </message>
    <message>
        <source>校验值，或一行 GNU / BSD 格式的校验行：</source>
        <translation>A digest, or a GNU or BSD checksum line:</translation>
    </message>
    <message>
        <source>验证校验文件(&amp;V)...</source>
        <translation>&amp;Verify a checksum file...</translation>
    </message>
    <message>
        <source>验证校验文件</source>
        <translation>Verify a checksum file</translation>
    </message>
    <message>
        <source>保存结果为校验文件(&amp;A)...</source>
        <translation>S&amp;ave the results as a checksum file...</translation>
    </message>
    <message>
        <source>与已知校验值比较(&amp;K)...</source>
        <translation>Compare with a &amp;known digest...</translation>
    </message>
    <message>
        <source>复制为校验行(&amp;L)</source>
        <translation>Copy as checksum &amp;lines</translation>
    </message>
    <message>
        <source>无法读取校验文件：是文件夹</source>
        <translation>Cannot read the checksum file: it is a folder</translation>
    </message>
    <message>
        <source>无法读取校验文件：不是普通文件</source>
        <translation>Cannot read the checksum file: not a regular file</translation>
    </message>
    <message>
        <source>无法读取校验文件：%1</source>
        <translation>Cannot read the checksum file: %1</translation>
    </message>
    <message>
        <source>不是校验文件：前 %1 行中没有一行是校验行</source>
        <translation>Not a checksum file: none of the first %1 lines is a checksum line</translation>
    </message>
    <message>
        <source>不是校验文件：其中没有任何校验行</source>
        <translation>Not a checksum file: it holds no checksum line</translation>
    </message>
    <message>
        <source>验证校验文件 %1</source>
        <translation>Verifying %1</translation>
    </message>
    <message>
        <source>%1 个条目</source>
        <translation>%1 entries</translation>
    </message>
    <message>
        <source>第 %1 行格式错误</source>
        <translation>Line %1 is malformed:</translation>
    </message>
    <message>
        <source>另有 %1 行格式错误</source>
        <translation>%1 more malformed lines</translation>
    </message>
    <message>
        <source>校验文件未能读完：%1</source>
        <translation>The checksum file could not be read to its end: %1</translation>
    </message>
    <message>
        <source>不是校验值：%1</source>
        <translation>Not a digest: %1</translation>
    </message>
    <message>
        <source>%1 个结果与校验值一致：%2</source>
        <translation>Matching results: %1, digest %2</translation>
    </message>
    <message>
        <source>没有结果与校验值一致：%1</source>
        <translation>No result matches the digest: %1</translation>
    </message>
    <message>
        <source>没有可保存的结果</source>
        <translation>No results to save</translation>
    </message>
    <message>
        <source>无法保存 %1：SFV 文件只能记录 crc32 结果，且文件名中不能有换行（%2）</source>
        <translation>Cannot save %1: an SFV file holds crc32 results only, and no names with line breaks (%2)</translation>
    </message>
    <message>
        <source>无法保存 %1：%2</source>
        <translation>Cannot save %1: %2</translation>
    </message>
    <message>
        <source>已将 %1 个结果保存到 %2</source>
        <translation>Saved %1 results to %2</translation>
    </message>
    <message>
        <source>没有可复制的结果</source>
        <translation>No results to copy</translation>
    </message>
    <message>
        <source>已复制 %1 行校验行</source>
        <translation>Copied %1 checksum lines</translation>
    </message>
    <message>
        <source>经典算法</source>
        <translation>Classic</translation>
    </message>
    <message>
        <source>现代算法</source>
        <translation>Modern</translation>
    </message>
    <message>
        <source>校验和</source>
        <translation>Checksums</translation>
    </message>
    <message>
        <source>校验文件 (%1)</source>
        <translation>Checksum files (%1)</translation>
    </message>
    <message>
        <source>已被用户终止</source>
        <translation>Stopped by the user</translation>
    </message>
    <message>
        <source>等待中的 %1 个文件和 %2 个校验文件未处理</source>
        <translation>%1 waiting files and %2 waiting checksum files were not taken up</translation>
    </message>
    <message>
        <source>已复制 %1 行校验行；%2 个非 UTF-8 的文件名在文本中写作 \xHH，md5sum 读不回；原样的字节见剪贴板的 %3 格式</source>
        <translation>Copied %1 checksum lines; %2 names that are not UTF-8 are written \xHH in the text, which md5sum cannot read back; the exact bytes are on the clipboard as %3</translation>
    </message>
    <message>
        <source>不是任何算法的校验值：%1</source>
        <translation>Not a digest of any algorithm here: %1</translation>
    </message>
    <message>
        <source>结果中没有 %1 的校验值，批处理结束后再比较：%2</source>
        <translation>No results under %1 yet; compare again when the batch has ended: %2</translation>
    </message>
    <message>
        <source>%1 个文件与校验值一致（%2）：%3</source>
        <translation>%1 file(s) match the digest (%2): %3</translation>
    </message>
    <message>
        <source>已终止，未比较完：%1</source>
        <translation>Stopped before the compare was complete: %1</translation>
    </message>
    <message>
        <source>没有文件与校验值一致：%1</source>
        <translation>No file matches the digest: %1</translation>
    </message>
    <message>
        <source>已按 %1 计算</source>
        <translation>computed with %1</translation>
    </message>
    <message>
        <source>与剪贴板中的校验值一致（%1）</source>
        <translation>matches the digest in the clipboard (%1)</translation>
    </message>
    <message>
        <source>与剪贴板中的校验值不符</source>
        <translation>does not match the digest in the clipboard</translation>
    </message>
    <message>
        <source>%1
已按 %2 计算</source>
        <translation>%1
computed with %2</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>%1；%2</source>
        <translation>%1; %2</translation>
    </message>
</context>
<context>
    <name>THelpform</name>
    <message>
        <source>Quernix 帮助</source>
        <translation>Quernix Help</translation>
    </message>
    <message>
        <source>找不到帮助页面：%1</source>
        <translation>The help page is not there: %1</translation>
    </message>
</context>
<context>
    <name>TResultView</name>
    <message>
        <source>结果页无法载入</source>
        <translation>The result page could not be loaded</translation>
    </message>
</context>
<context>
    <name>TSearchform</name>
    <message>
        <source>搜索文件</source>
        <translation>Searching files</translation>
    </message>
    <message>
        <source>终止搜索</source>
        <translation>Stop search</translation>
    </message>
    <message>
        <source>已搜索到的文件数:</source>
        <translation>Files found: </translation>
    </message>
</context>
<context>
    <name>TVerifyChecks</name>
    <message>
        <source>缺失：文件不存在</source>
        <translation>MISSING: no such file</translation>
    </message>
    <message>
        <source>无法读取：%1</source>
        <translation>UNREADABLE: %1</translation>
    </message>
    <message>
        <source>正确（%1）</source>
        <translation>OK (%1)</translation>
    </message>
    <message>
        <source>第 %1 行的校验值按长度当作 %2，实为 %3 的校验值</source>
        <translation>line %1: its digest was taken for %2 by its length; it is a %3 digest</translation>
    </message>
    <message>
        <source>正确</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>FAILED</translation>
    </message>
    <message>
        <source>应为 %1
实为 %2</source>
        <translation>expected %1
computed %2</translation>
    </message>
    <message>
        <source>%1 个正确，%2 个错误，%3 个缺失或无法读取</source>
        <translation>%1 OK, %2 FAILED, %3 missing or unreadable</translation>
    </message>
    <message>
        <source>，%1 行格式错误</source>
        <translation>, %1 malformed lines</translation>
    </message>
    <message>
        <source>已终止，未验证完</source>
        <translation>Stopped before the check was done</translation>
    </message>
</context>
</TS>
