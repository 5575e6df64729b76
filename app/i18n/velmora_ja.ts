<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>TPictureListForm</name>
    <message>
        <source>壁紙一覧</source>
        <translation>壁紙一覧</translation>
    </message>
    <message>
        <source>背景一覧</source>
        <translation>背景一覧</translation>
    </message>
    <message>
        <source>ｷｬﾗ一覧</source>
        <translation>ｷｬﾗ一覧</translation>
    </message>
</context>
<context>
    <name>TmainForm</name>
    <message>
        <source>壁紙(&amp;W)</source>
        <translation>壁紙(&amp;W)</translation>
    </message>
    <message>
        <source>背景(&amp;G)</source>
        <translation>背景(&amp;G)</translation>
    </message>
    <message>
        <source>ｷｬﾗ(&amp;C)</source>
        <translation>ｷｬﾗ(&amp;C)</translation>
    </message>
    <message>
        <source>壁紙一覧(&amp;1)</source>
        <translation>壁紙一覧(&amp;1)</translation>
    </message>
    <message>
        <source>背景一覧(&amp;2)</source>
        <translation>背景一覧(&amp;2)</translation>
    </message>
    <message>
        <source>ｷｬﾗ一覧(&amp;3)</source>
        <translation>ｷｬﾗ一覧(&amp;3)</translation>
    </message>
    <message>
        <source>ﾌｧｲﾙ(&amp;F)</source>
        <translation>ﾌｧｲﾙ(&amp;F)</translation>
    </message>
    <message>
        <source>壁紙を開く(&amp;W)</source>
        <translation>壁紙を開く(&amp;W)</translation>
    </message>
    <message>
        <source>背景を開く(&amp;G)</source>
        <translation>背景を開く(&amp;G)</translation>
    </message>
    <message>
        <source>ｷｬﾗを開く(&amp;C)</source>
        <translation>ｷｬﾗを開く(&amp;C)</translation>
    </message>
    <message>
        <source>画像を保存(&amp;S)</source>
        <translation>画像を保存(&amp;S)</translation>
    </message>
    <message>
        <source>画像をｺﾋﾟｰ(&amp;P)</source>
        <translation>画像をｺﾋﾟｰ(&amp;P)</translation>
    </message>
    <message>
        <source>ｱｰｶｲﾌﾞを書き出す(&amp;E)</source>
        <translation>ｱｰｶｲﾌﾞを書き出す(&amp;E)</translation>
    </message>
    <message>
        <source>最近開いたｱｰｶｲﾌﾞ(&amp;R)</source>
        <translation>最近開いたｱｰｶｲﾌﾞ(&amp;R)</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>終了(&amp;X)</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>表示(&amp;V)</translation>
    </message>
    <message>
        <source>次の壁紙(&amp;V)</source>
        <translation>次の壁紙(&amp;V)</translation>
    </message>
    <message>
        <source>前の壁紙(&amp;T)</source>
        <translation>前の壁紙(&amp;T)</translation>
    </message>
    <message>
        <source>次の背景(&amp;F)</source>
        <translation>次の背景(&amp;F)</translation>
    </message>
    <message>
        <source>前の背景(&amp;B)</source>
        <translation>前の背景(&amp;B)</translation>
    </message>
    <message>
        <source>次のｷｬﾗ(&amp;N)</source>
        <translation>次のｷｬﾗ(&amp;N)</translation>
    </message>
    <message>
        <source>前のｷｬﾗ(&amp;P)</source>
        <translation>前のｷｬﾗ(&amp;P)</translation>
    </message>
    <message>
        <source>全ﾘｾｯﾄ(&amp;R)</source>
        <translation>全ﾘｾｯﾄ(&amp;R)</translation>
    </message>
    <message>
        <source>拡大表示(&amp;Z)</source>
        <translation>拡大表示(&amp;Z)</translation>
    </message>
    <message>
        <source>自動表示(&amp;A)</source>
        <translation>自動表示(&amp;A)</translation>
    </message>
    <message>
        <source>ｽﾞｰﾑｲﾝ(&amp;I)</source>
        <translation>ｽﾞｰﾑｲﾝ(&amp;I)</translation>
    </message>
    <message>
        <source>ｽﾞｰﾑｱｳﾄ(&amp;O)</source>
        <translation>ｽﾞｰﾑｱｳﾄ(&amp;O)</translation>
    </message>
    <message>
        <source>等倍(&amp;E)</source>
        <translation>等倍(&amp;E)</translation>
    </message>
    <message>
        <source>整数倍で表示(&amp;S)</source>
        <translation>整数倍で表示(&amp;S)</translation>
    </message>
    <message>
        <source>全画面表示(&amp;U)</source>
        <translation>全画面表示(&amp;U)</translation>
    </message>
    <message>
        <source>ｵﾌﾟｼｮﾝ(&amp;O)</source>
        <translation>ｵﾌﾟｼｮﾝ(&amp;O)</translation>
    </message>
    <message>
        <source>ﾂｰﾙ(&amp;Y)</source>
        <translation>ﾂｰﾙ(&amp;Y)</translation>
    </message>
    <message>
        <source>ﾊﾞｰｼﾞｮﾝ(&amp;H)</source>
        <translation>ﾊﾞｰｼﾞｮﾝ(&amp;H)</translation>
    </message>
    <message>
        <source>言語(&amp;L)</source>
        <translation>言語(&amp;L)</translation>
    </message>
    <message>
        <source>%1, picture %2: %3</source>
        <translation>%1 の画像 %2: %3</translation>
    </message>
    <message>
        <source>Open: Ctrl+W, Ctrl+G, Ctrl+C, or drop archives here</source>
        <translation>開く: Ctrl+W, Ctrl+G, Ctrl+C、またはアーカイブをドロップ</translation>
    </message>
    <message>
        <source>壁紙</source>
        <translation>壁紙</translation>
    </message>
    <message>
        <source>背景</source>
        <translation>背景</translation>
    </message>
    <message>
        <source>ｷｬﾗ</source>
        <translation>ｷｬﾗ</translation>
    </message>
    <message>
        <source>(なし)</source>
        <translation>(なし)</translation>
    </message>
    <message>
        <source>%1: no longer there; taken off the recent archives</source>
        <translation>%1: 見つからないため、最近開いたアーカイブから外しました</translation>
    </message>
    <message>
        <source>%1 nothing</source>
        <translation>%1 なし</translation>
    </message>
    <message>
        <source>wallpaper</source>
        <translation>壁紙</translation>
    </message>
    <message>
        <source>background</source>
        <translation>背景</translation>
    </message>
    <message>
        <source>character element %1</source>
        <translation>キャラ要素 %1</translation>
    </message>
    <message>
        <source>%1 %2, index %3, 0x%4 = RGB(%5,%6,%7)</source>
        <translation>%1 %2、インデックス %3、0x%4 = RGB(%5,%6,%7)</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>ｷｬﾗ (OpenRaster)(&amp;O)</source>
        <translation>ｷｬﾗ (OpenRaster)(&amp;O)</translation>
    </message>
    <message>
        <source>ｷｬﾗ (Aseprite)(&amp;A)</source>
        <translation>ｷｬﾗ (Aseprite)(&amp;A)</translation>
    </message>
    <message>
        <source>ｷｬﾗ (ｽﾌﾟﾗｲﾄｼｰﾄ)(&amp;S)</source>
        <translation>ｷｬﾗ (ｽﾌﾟﾗｲﾄｼｰﾄ)(&amp;S)</translation>
    </message>
    <message>
        <source>形式を選んでｷｬﾗを保存(&amp;K)</source>
        <translation>形式を選んでｷｬﾗを保存(&amp;K)</translation>
    </message>
</context>
<context>
    <name>TtoolsForm</name>
    <message>
        <source>壁紙を開く</source>
        <translation>壁紙を開く</translation>
    </message>
    <message>
        <source>背景を開く</source>
        <translation>背景を開く</translation>
    </message>
    <message>
        <source>キャラを開く</source>
        <translation>キャラを開く</translation>
    </message>
    <message>
        <source>壁紙(&amp;W): </source>
        <translation>壁紙(&amp;W): </translation>
    </message>
    <message>
        <source>背景(&amp;G): </source>
        <translation>背景(&amp;G): </translation>
    </message>
    <message>
        <source>キャラ(&amp;C): </source>
        <translation>キャラ(&amp;C): </translation>
    </message>
    <message>
        <source>%1 - not shown: %2</source>
        <translation>%1 - 表示できません: %2</translation>
    </message>
</context>
<context>
    <name>VLMQ</name>
    <message>
        <source>%1: not an archive the viewer knows by name (EYECATCH.ALL, WPALL1.ALL, WPALL2.ALL, WPALL3.ALL, NBGFILE1.ALL, NCDAT.ALL)</source>
        <translation>%1: 名前からアーカイブの種類がわかりません (EYECATCH.ALL, WPALL1.ALL, WPALL2.ALL, WPALL3.ALL, NBGFILE1.ALL, NCDAT.ALL)</translation>
    </message>
    <message>
        <source>... and %1 more.</source>
        <translation>…ほか %1 件。</translation>
    </message>
    <message>
        <source>%1: %2 is already there</source>
        <translation>%1: %2 はすでにあります</translation>
    </message>
    <message>
        <source>%1: cannot write %2 (%3); the export stopped</source>
        <translation>%1: %2 を書き込めません (%3)。書き出しを中止しました</translation>
    </message>
    <message>
        <source>not an archive name of this kind</source>
        <translation>この種類のアーカイブの名前ではありません</translation>
    </message>
    <message>
        <source>no picture %1 in this archive</source>
        <translation>このアーカイブに画像 %1 はありません</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>通常のファイルではありません</translation>
    </message>
    <message>
        <source>cannot open (%1)</source>
        <translation>開けません (%1)</translation>
    </message>
    <message>
        <source>no picture record found - not an archive of this kind</source>
        <translation>画像のレコードが見つかりません - この種類のアーカイブではありません</translation>
    </message>
    <message>
        <source>record cut short at byte %1</source>
        <translation>レコードが %1 バイト目で途切れています</translation>
    </message>
    <message>
        <source>header field out of range</source>
        <translation>ヘッダーの値が範囲外です</translation>
    </message>
    <message>
        <source>too large (limit %1)</source>
        <translation>大きすぎます (上限 %1)</translation>
    </message>
    <message>
        <source>element %1 outside its picture</source>
        <translation>要素 %1 が画像の外にあります</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>メモリが足りません</translation>
    </message>
    <message>
        <source>unknown failure</source>
        <translation>不明なエラー</translation>
    </message>
    <message>
        <source>%1, picture %2: element %3 reaches outside the composed picture, so the character cannot be shown whole.</source>
        <translation>%1 の画像 %2: 要素 %3 が合成画面の外にはみ出すため、キャラ全体を表示できません。</translation>
    </message>
    <message>
        <source>The character archive</source>
        <translation>キャラのアーカイブ</translation>
    </message>
    <message>
        <source>Out of memory: the command was left unfinished.</source>
        <translation>メモリが足りないため、コマンドを最後まで実行できませんでした。</translation>
    </message>
    <message>
        <source>The command failed: %1</source>
        <translation>コマンドが失敗しました: %1</translation>
    </message>
    <message>
        <source>The command failed for an unknown reason.</source>
        <translation>コマンドが不明な理由で失敗しました。</translation>
    </message>
    <message>
        <source>PNG picture (*.png)</source>
        <translation>PNG 画像 (*.png)</translation>
    </message>
    <message>
        <source>OpenRaster, a layer an element (*.ora)</source>
        <translation>OpenRaster、要素ごとのレイヤー (*.ora)</translation>
    </message>
    <message>
        <source>Aseprite, a layer an element (*.aseprite)</source>
        <translation>Aseprite、要素ごとのレイヤー (*.aseprite)</translation>
    </message>
    <message>
        <source>Sprite sheet, PNG and JSON (*.png)</source>
        <translation>スプライトシート、PNG と JSON (*.png)</translation>
    </message>
</context>
<context>
    <name>VLMQ::TPictureOut</name>
    <message>
        <source>Save picture</source>
        <translation>画像を保存</translation>
    </message>
    <message>
        <source>PNG pictures (*.png)</source>
        <translation>PNG 画像 (*.png)</translation>
    </message>
    <message>
        <source>a file of that name appeared meanwhile</source>
        <translation>その間に同じ名前のファイルができました</translation>
    </message>
    <message>
        <source>The picture could not be saved as %1: %2.</source>
        <translation>画像を %1 として保存できませんでした: %2。</translation>
    </message>
    <message>
        <source>Saved %1 (%2 x %3).</source>
        <translation>%1 を保存しました (%2 x %3)。</translation>
    </message>
    <message>
        <source>Copied the picture (%1 x %2).</source>
        <translation>画像をコピーしました (%1 x %2)。</translation>
    </message>
    <message>
        <source>Export %1 into folder</source>
        <translation>%1 をフォルダーに書き出す</translation>
    </message>
    <message>
        <source>Cannot export into %1: %2.</source>
        <translation>%1 に書き出せません: %2。</translation>
    </message>
    <message>
        <source>%1 of the files to write are already in %2. Replace them?</source>
        <translation>書き出すファイルのうち %1 個がすでに %2 にあります。置き換えますか?</translation>
    </message>
    <message>
        <source>Exporting %1 into %2</source>
        <translation>%1 を %2 に書き出しています</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>%1: %2 of %3 pictures written into %4.</source>
        <translation>%1: %3 枚中 %2 枚を %4 に書き出しました。</translation>
    </message>
    <message>
        <source>Cancelled; every file is whole.</source>
        <translation>中止しました。書き出したファイルはどれも完全です。</translation>
    </message>
    <message>
        <source>The diagnostic dump of the characters that do not fit was appended to %1.</source>
        <translation>画面に収まらないキャラの診断ダンプを %1 に追記しました。</translation>
    </message>
    <message>
        <source>Not written:</source>
        <translation>書き出せなかった画像:</translation>
    </message>
    <message>
        <source>No character is shown.</source>
        <translation>キャラが表示されていません。</translation>
    </message>
    <message>
        <source>Character %1 could not be read: %2.</source>
        <translation>キャラ %1 を読めませんでした: %2。</translation>
    </message>
    <message>
        <source>Save character</source>
        <translation>キャラを保存</translation>
    </message>
    <message>
        <source>The character could not be saved as %1: %2.</source>
        <translation>キャラを %1 として保存できませんでした: %2。</translation>
    </message>
    <message>
        <source>The character could not be saved as %1: element %2 reaches outside its picture.</source>
        <translation>キャラを %1 として保存できませんでした: 要素 %2 が画像の外にはみ出しています。</translation>
    </message>
    <message>
        <source>Saved character %1 as %2.</source>
        <translation>キャラ %1 を %2 として保存しました。</translation>
    </message>
    <message>
        <source>Elements of no pixels left out: %1.</source>
        <translation>画素のない要素は除きました: %1。</translation>
    </message>
</context>
</TS>
