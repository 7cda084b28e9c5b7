<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>BatchRun</name>
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
        <source>；因新的文件而终止，%1 个未计算</source>
        <translation>; stopped for new files, not hashed: %1</translation>
    </message>
    <message>
        <source>；已被用户终止，%1 个未计算</source>
        <translation>; stopped by the user, not hashed: %1</translation>
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
</TS>
