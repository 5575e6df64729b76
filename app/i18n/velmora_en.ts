<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>TPictureListForm</name>
    <message>
        <source>壁紙一覧</source>
        <translation>Wallpaper List</translation>
    </message>
    <message>
        <source>背景一覧</source>
        <translation>Background List</translation>
    </message>
    <message>
        <source>ｷｬﾗ一覧</source>
        <translation>Character List</translation>
    </message>
</context>
<context>
    <name>TmainForm</name>
    <message>
        <source>壁紙(&amp;W)</source>
        <translation>&amp;Wallpaper</translation>
    </message>
    <message>
        <source>背景(&amp;G)</source>
        <translation>Back&amp;ground</translation>
    </message>
    <message>
        <source>ｷｬﾗ(&amp;C)</source>
        <translation>&amp;Character</translation>
    </message>
    <message>
        <source>壁紙一覧(&amp;1)</source>
        <translation>&amp;1 Wallpaper List</translation>
    </message>
    <message>
        <source>背景一覧(&amp;2)</source>
        <translation>&amp;2 Background List</translation>
    </message>
    <message>
        <source>ｷｬﾗ一覧(&amp;3)</source>
        <translation>&amp;3 Character List</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>壁紙を開く(&amp;W)</source>
        <translation>Open &amp;Wallpaper...</translation>
    </message>
    <message>
        <source>背景を開く(&amp;G)</source>
        <translation>Open Back&amp;ground...</translation>
    </message>
    <message>
        <source>ｷｬﾗを開く(&amp;C)</source>
        <translation>Open &amp;Character...</translation>
    </message>
    <message>
        <source>画像を保存(&amp;S)</source>
        <translation>&amp;Save Picture...</translation>
    </message>
    <message>
        <source>画像をｺﾋﾟｰ(&amp;P)</source>
        <translation>Copy &amp;Picture</translation>
    </message>
    <message>
        <source>ｱｰｶｲﾌﾞを書き出す(&amp;E)</source>
        <translation>&amp;Export Archive</translation>
    </message>
    <message>
        <source>最近開いたｱｰｶｲﾌﾞ(&amp;R)</source>
        <translation>&amp;Recent Archives</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>次の壁紙(&amp;V)</source>
        <translation>Next &amp;Wallpaper</translation>
    </message>
    <message>
        <source>前の壁紙(&amp;T)</source>
        <translation>Previous Wa&amp;llpaper</translation>
    </message>
    <message>
        <source>次の背景(&amp;F)</source>
        <translation>Next &amp;Background</translation>
    </message>
    <message>
        <source>前の背景(&amp;B)</source>
        <translation>Previous Bac&amp;kground</translation>
    </message>
    <message>
        <source>次のｷｬﾗ(&amp;N)</source>
        <translation>&amp;Next Character</translation>
    </message>
    <message>
        <source>前のｷｬﾗ(&amp;P)</source>
        <translation>&amp;Previous Character</translation>
    </message>
    <message>
        <source>全ﾘｾｯﾄ(&amp;R)</source>
        <translation>&amp;Reset All</translation>
    </message>
    <message>
        <source>拡大表示(&amp;Z)</source>
        <translation>&amp;Double Size</translation>
    </message>
    <message>
        <source>自動表示(&amp;A)</source>
        <translation>&amp;Automatic Display</translation>
    </message>
    <message>
        <source>ｽﾞｰﾑｲﾝ(&amp;I)</source>
        <translation>Zoom &amp;In</translation>
    </message>
    <message>
        <source>ｽﾞｰﾑｱｳﾄ(&amp;O)</source>
        <translation>Zoom &amp;Out</translation>
    </message>
    <message>
        <source>等倍(&amp;E)</source>
        <translation>Actual Si&amp;ze</translation>
    </message>
    <message>
        <source>整数倍で表示(&amp;S)</source>
        <translation>Integer &amp;Scaling</translation>
    </message>
    <message>
        <source>全画面表示(&amp;U)</source>
        <translation>F&amp;ull Screen</translation>
    </message>
    <message>
        <source>ｵﾌﾟｼｮﾝ(&amp;O)</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>ﾂｰﾙ(&amp;Y)</source>
        <translation>&amp;Tools Window</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ(&amp;H)</source>
        <translation>&amp;Version</translation>
    </message>
    <message>
        <source>言語(&amp;L)</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>%1, picture %2: %3</source>
        <translation>%1, picture %2: %3</translation>
    </message>
    <message>
        <source>Open: Ctrl+W, Ctrl+G, Ctrl+C, or drop archives here</source>
        <translation>Open: Ctrl+W, Ctrl+G, Ctrl+C, or drop archives here</translation>
    </message>
    <message>
        <source>壁紙</source>
        <translation>Wallpaper</translation>
    </message>
    <message>
        <source>背景</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>ｷｬﾗ</source>
        <translation>Character</translation>
    </message>
    <message>
        <source>(なし)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>%1: no longer there; taken off the recent archives</source>
        <translation>%1: no longer there; taken off the recent archives</translation>
    </message>
    <message>
        <source>%1 nothing</source>
        <translation>%1 nothing</translation>
    </message>
    <message>
        <source>wallpaper</source>
        <translation>wallpaper</translation>
    </message>
    <message>
        <source>background</source>
        <translation>background</translation>
    </message>
    <message>
        <source>character element %1</source>
        <translation>character element %1</translation>
    </message>
    <message>
        <source>%1 %2, index %3, 0x%4 = RGB(%5,%6,%7)</source>
        <translation>%1 %2, index %3, 0x%4 = RGB(%5,%6,%7)</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>ｷｬﾗ (OpenRaster)(&amp;O)</source>
        <translation>Characters as &amp;OpenRaster...</translation>
    </message>
    <message>
        <source>ｷｬﾗ (Aseprite)(&amp;A)</source>
        <translation>Characters as &amp;Aseprite...</translation>
    </message>
    <message>
        <source>ｷｬﾗ (ｽﾌﾟﾗｲﾄｼｰﾄ)(&amp;S)</source>
        <translation>Characters as &amp;Sprite Sheets...</translation>
    </message>
    <message>
        <source>形式を選んでｷｬﾗを保存(&amp;K)</source>
        <translation>Save &amp;Character As...</translation>
    </message>
</context>
<context>
    <name>TtoolsForm</name>
    <message>
        <source>壁紙を開く</source>
        <translation>Open Wallpaper</translation>
    </message>
    <message>
        <source>背景を開く</source>
        <translation>Open Background</translation>
    </message>
    <message>
        <source>キャラを開く</source>
        <translation>Open Character</translation>
    </message>
    <message>
        <source>壁紙(&amp;W): </source>
        <translation>&amp;Wallpaper: </translation>
    </message>
    <message>
        <source>背景(&amp;G): </source>
        <translation>Back&amp;ground: </translation>
    </message>
    <message>
        <source>キャラ(&amp;C): </source>
        <translation>&amp;Character: </translation>
    </message>
    <message>
        <source>%1 - not shown: %2</source>
        <translation>%1 - not shown: %2</translation>
    </message>
</context>
<context>
    <name>VLMQ</name>
    <message>
        <source>%1: not an archive the viewer knows by name (EYECATCH.ALL, WPALL1.ALL, WPALL2.ALL, WPALL3.ALL, NBGFILE1.ALL, NCDAT.ALL)</source>
        <translation>%1: not an archive the viewer knows by name (EYECATCH.ALL, WPALL1.ALL, WPALL2.ALL, WPALL3.ALL, NBGFILE1.ALL, NCDAT.ALL)</translation>
    </message>
    <message>
        <source>... and %1 more.</source>
        <translation>... and %1 more.</translation>
    </message>
    <message>
        <source>%1: %2 is already there</source>
        <translation>%1: %2 is already there</translation>
    </message>
    <message>
        <source>%1: cannot write %2 (%3); the export stopped</source>
        <translation>%1: cannot write %2 (%3); the export stopped</translation>
    </message>
    <message>
        <source>not an archive name of this kind</source>
        <translation>not an archive name of this kind</translation>
    </message>
    <message>
        <source>no picture %1 in this archive</source>
        <translation>no picture %1 in this archive</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>cannot open (%1)</source>
        <translation>cannot open (%1)</translation>
    </message>
    <message>
        <source>no picture record found - not an archive of this kind</source>
        <translation>no picture record found - not an archive of this kind</translation>
    </message>
    <message>
        <source>record cut short at byte %1</source>
        <translation>record cut short at byte %1</translation>
    </message>
    <message>
        <source>header field out of range</source>
        <translation>header field out of range</translation>
    </message>
    <message>
        <source>too large (limit %1)</source>
        <translation>too large (limit %1)</translation>
    </message>
    <message>
        <source>element %1 outside its picture</source>
        <translation>element %1 outside its picture</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>out of memory</translation>
    </message>
    <message>
        <source>unknown failure</source>
        <translation>unknown failure</translation>
    </message>
    <message>
        <source>%1, picture %2: element %3 reaches outside the composed picture, so the character cannot be shown whole.</source>
        <translation>%1, picture %2: element %3 reaches outside the composed picture, so the character cannot be shown whole.</translation>
    </message>
    <message>
        <source>The character archive</source>
        <translation>The character archive</translation>
    </message>
    <message>
        <source>Out of memory: the command was left unfinished.</source>
        <translation>Out of memory: the command was left unfinished.</translation>
    </message>
    <message>
        <source>The command failed: %1</source>
        <translation>The command failed: %1</translation>
    </message>
    <message>
        <source>The command failed for an unknown reason.</source>
        <translation>The command failed for an unknown reason.</translation>
    </message>
    <message>
        <source>PNG picture (*.png)</source>
        <translation>PNG picture (*.png)</translation>
    </message>
    <message>
        <source>OpenRaster, a layer an element (*.ora)</source>
        <translation>OpenRaster, a layer an element (*.ora)</translation>
    </message>
    <message>
        <source>Aseprite, a layer an element (*.aseprite)</source>
        <translation>Aseprite, a layer an element (*.aseprite)</translation>
    </message>
    <message>
        <source>Sprite sheet, PNG and JSON (*.png)</source>
        <translation>Sprite sheet, PNG and JSON (*.png)</translation>
    </message>
</context>
<context>
    <name>VLMQ::TPictureOut</name>
    <message>
        <source>Save picture</source>
        <translation>Save picture</translation>
    </message>
    <message>
        <source>PNG pictures (*.png)</source>
        <translation>PNG pictures (*.png)</translation>
    </message>
    <message>
        <source>a file of that name appeared meanwhile</source>
        <translation>a file of that name appeared meanwhile</translation>
    </message>
    <message>
        <source>The picture could not be saved as %1: %2.</source>
        <translation>The picture could not be saved as %1: %2.</translation>
    </message>
    <message>
        <source>Saved %1 (%2 x %3).</source>
        <translation>Saved %1 (%2 x %3).</translation>
    </message>
    <message>
        <source>Copied the picture (%1 x %2).</source>
        <translation>Copied the picture (%1 x %2).</translation>
    </message>
    <message>
        <source>Export %1 into folder</source>
        <translation>Export %1 into folder</translation>
    </message>
    <message>
        <source>Cannot export into %1: %2.</source>
        <translation>Cannot export into %1: %2.</translation>
    </message>
    <message>
        <source>%1 of the files to write are already in %2. Replace them?</source>
        <translation>%1 of the files to write are already in %2. Replace them?</translation>
    </message>
    <message>
        <source>Exporting %1 into %2</source>
        <translation>Exporting %1 into %2</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1: %2 of %3 pictures written into %4.</source>
        <translation>%1: %2 of %3 pictures written into %4.</translation>
    </message>
    <message>
        <source>Cancelled; every file is whole.</source>
        <translation>Cancelled; every file is whole.</translation>
    </message>
    <message>
        <source>The diagnostic dump of the characters that do not fit was appended to %1.</source>
        <translation>The diagnostic dump of the characters that do not fit was appended to %1.</translation>
    </message>
    <message>
        <source>Not written:</source>
        <translation>Not written:</translation>
    </message>
    <message>
        <source>No character is shown.</source>
        <translation>No character is shown.</translation>
    </message>
    <message>
        <source>Character %1 could not be read: %2.</source>
        <translation>Character %1 could not be read: %2.</translation>
    </message>
    <message>
        <source>Save character</source>
        <translation>Save character</translation>
    </message>
    <message>
        <source>The character could not be saved as %1: %2.</source>
        <translation>The character could not be saved as %1: %2.</translation>
    </message>
    <message>
        <source>The character could not be saved as %1: element %2 reaches outside its picture.</source>
        <translation>The character could not be saved as %1: element %2 reaches outside its picture.</translation>
    </message>
    <message>
        <source>Saved character %1 as %2.</source>
        <translation>Saved character %1 as %2.</translation>
    </message>
    <message>
        <source>Elements of no pixels left out: %1.</source>
        <translation>Elements of no pixels left out: %1.</translation>
    </message>
</context>
</TS>
