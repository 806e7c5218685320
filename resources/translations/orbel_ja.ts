<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>Archive</name>
    <message>
        <source>%1: track %2 comes before any FILE line</source>
        <translation>%1: トラック %2 が FILE 行より前にあります</translation>
    </message>
    <message>
        <source>%1: the data track&apos;s file is not BINARY (%2)</source>
        <translation>%1: データトラックのファイルが BINARY ではありません (%2)</translation>
    </message>
    <message>
        <source>%1: INDEX 01 %2 is not a time mm:ss:ff</source>
        <translation>%1: INDEX 01 %2 は mm:ss:ff 形式の時間ではありません</translation>
    </message>
    <message>
        <source>%1: track mode %2 is not read; data tracks of MODE1/2048, MODE1/2352 or MODE2/2352 are</source>
        <translation>%1: トラックモード %2 は読めません。読めるのは MODE1/2048、MODE1/2352、MODE2/2352 のデータトラックです</translation>
    </message>
    <message>
        <source>%1 names no data track (TRACK nn MODE1/2352 or the like)</source>
        <translation>%1 にはデータトラックがありません (TRACK nn MODE1/2352 など)</translation>
    </message>
    <message>
        <source>%1: %2 cannot be unpacked: %3</source>
        <translation>%1: %2 を展開できません: %3</translation>
    </message>
    <message>
        <source>%1: out of memory</source>
        <translation>%1: メモリが足りません</translation>
    </message>
    <message>
        <source>%1 is encrypted; it cannot be played without its password</source>
        <translation>%1 は暗号化されているため、パスワードなしでは遊べません</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2</source>
        <translation>%1 を読めません: %2</translation>
    </message>
    <message>
        <source>it is damaged or of an unknown kind</source>
        <translation>壊れているか、知らない形式です</translation>
    </message>
    <message>
        <source>%1 is too large for a cue sheet</source>
        <translation>%1 はキューシートにしては大きすぎます</translation>
    </message>
    <message>
        <source>%1 holds more than %2 entries; it is refused</source>
        <translation>%1 には %2 個を超えるファイルがあるため、受け付けません</translation>
    </message>
    <message>
        <source>%1: %2 is larger than the engine takes (%3 MB); the archive is refused</source>
        <translation>%1: %2 がエンジンの扱える大きさ (%3 MB) を超えているため、このアーカイブは受け付けません</translation>
    </message>
    <message>
        <source>%1: %2 inflates past the size its header gives or the engine takes; the archive is refused</source>
        <translation>%1: %2 が展開するとヘッダーの示す大きさかエンジンの扱える大きさを超えるため、このアーカイブは受け付けません</translation>
    </message>
    <message>
        <source>%1: the game inflates past %2 MB; the archive is refused</source>
        <translation>%1: ゲームが展開すると %2 MB を超えるため、このアーカイブは受け付けません</translation>
    </message>
    <message>
        <source>%1 holds no game: no Data/SCRIPT.TXT or SCRIPT.TXT inside</source>
        <translation>%1 にはゲームがありません: Data/SCRIPT.TXT も SCRIPT.TXT も入っていません</translation>
    </message>
    <message>
        <source>%1 holds several games: %2; unpack it and name the one to play</source>
        <translation>%1 には複数のゲームがあります: %2。展開して、遊ぶゲームを指定してください</translation>
    </message>
    <message>
        <source>%1: no game was chosen</source>
        <translation>%1: ゲームが選ばれませんでした</translation>
    </message>
    <message>
        <source>%1: the game is larger than %2 MB unpacked; the archive is refused</source>
        <translation>%1: ゲームが展開後 %2 MB を超えるため、このアーカイブは受け付けません</translation>
    </message>
    <message>
        <source>the cache folder %1 cannot be written, so %2 cannot be unpacked</source>
        <translation>キャッシュフォルダー %1 に書き込めないため、%2 を展開できません</translation>
    </message>
    <message>
        <source>the cache folder %1 cannot be made: %2</source>
        <translation>キャッシュフォルダー %1 を作れません: %2</translation>
    </message>
    <message>
        <source>%1 is truncated: it ends after an entry, where its end mark or further entries belong</source>
        <translation>%1 は途中で切れています: 項目の後で終わっていますが、そこには終わりの印か次の項目があるはずです</translation>
    </message>
    <message>
        <source>%1 is truncated</source>
        <translation>%1 は途中で切れています</translation>
    </message>
    <message>
        <source>%1 is truncated: %2</source>
        <translation>%1 は途中で切れています: %2</translation>
    </message>
    <message>
        <source>%1 is truncated: it ends inside %2</source>
        <translation>%1 は途中で切れています: %2 の途中で終わっています</translation>
    </message>
    <message>
        <source>%1 names a track file that cannot be used: %2</source>
        <translation>%1 が指すトラックファイルは使えません: %2</translation>
    </message>
    <message>
        <source>%1: the unpack was stopped</source>
        <translation>%1: 展開を中止しました</translation>
    </message>
    <message>
        <source>%1: %2, which the game&apos;s script names, cannot be unpacked (%3); the archive is refused</source>
        <translation>%1: ゲームのスクリプトが使う %2 を展開できません (%3)。このアーカイブでは遊べません</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source> and %1 more</source>
        <translation> ほか %1 個</translation>
    </message>
    <message>
        <source>%1: left out of the unpacked game, which does not use them: %2</source>
        <translation>%1: ゲームが使わないため、展開しなかったもの: %2</translation>
    </message>
    <message>
        <source>%1 cannot be unpacked: the cache&apos;s disk reports %2</source>
        <translation>%1 を展開できません: キャッシュのディスクの報告: %2</translation>
    </message>
</context>
<context>
    <name>Catalogue</name>
    <message>
        <source>cannot be read: no room in memory</source>
        <translation>読めません: メモリーが足りません</translation>
    </message>
    <message>
        <source>too large to be a catalogue</source>
        <translation>カタログとしては大きすぎます</translation>
    </message>
    <message>
        <source>the text is not UTF-8</source>
        <translation>テキストが UTF-8 ではありません</translation>
    </message>
    <message>
        <source>the catalogue is not in UTF-8: save it as UTF-8</source>
        <translation>カタログが UTF-8 ではありません: UTF-8 で保存してください</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>読めません</translation>
    </message>
    <message>
        <source>the template cannot be made: %1</source>
        <translation>テンプレートを作れません: %1</translation>
    </message>
    <message>
        <source>no room in memory</source>
        <translation>メモリーが足りません</translation>
    </message>
    <message>
        <source>a .mo file of a revision this reader does not know</source>
        <translation>この読み込み部が知らない版の .mo ファイルです</translation>
    </message>
    <message>
        <source>its entry count is larger than the file</source>
        <translation>項目数がファイルより大きくなっています</translation>
    </message>
    <message>
        <source>the file is cut short</source>
        <translation>ファイルが途中で切れています</translation>
    </message>
    <message>
        <source>a string lies outside the file</source>
        <translation>文字列がファイルの外を指しています</translation>
    </message>
</context>
<context>
    <name>CatalogueCheck</name>
    <message>
        <source>board line %1 of the translation is %2 characters wide; the board shows %3</source>
        <translation>訳文のボード %1 行目は %2 文字幅です。ボードに表示できるのは %3 文字です</translation>
    </message>
    <message>
        <source>the translation takes %1 board lines; the board shows %2</source>
        <translation>訳文はボードの %1 行を使います。ボードに表示できるのは %2 行です</translation>
    </message>
    <message>
        <source>stale entry: the script has no board text &quot;%1&quot; any more</source>
        <translation>古い項目: スクリプトにはもうボードのテキスト &quot;%1&quot; がありません</translation>
    </message>
    <message>
        <source>stale entry: the script&apos;s text at SCRIPT.TXT:%1 is no longer its original</source>
        <translation>古い項目: SCRIPT.TXT:%1 のスクリプトのテキストはもう原文と違います</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>cannot enter the game folder %1</source>
        <translation>ゲームフォルダー %1 に入れません</translation>
    </message>
    <message>
        <source>cannot create the folder %1</source>
        <translation>フォルダー %1 を作れません</translation>
    </message>
    <message>
        <source>At exit (any exit, automated runs included), write a save of where the game is to FILE (docs/saves.md).</source>
        <translation>終了時 (自動実行を含むあらゆる終了) に、ゲームの現在位置のセーブを FILE に書き込みます (docs/saves.md)。</translation>
    </message>
    <message>
        <source>Start from the save FILE: the game is replayed on the virtual clock up to the saved instant, then goes on in real time (on the virtual clock with --fast).</source>
        <translation>セーブ FILE から始めます: ゲームを仮想時計でセーブした時点まで再現し、そこから実時間で続けます (--fast では仮想時計のまま)。</translation>
    </message>
    <message>
        <source>Start as if the script had run up to the first time line N (counting from 1) or the label LABEL (#LABEL) runs, replayed on the virtual clock.</source>
        <translation>N 行目 (1 から数えます) またはラベル LABEL (#LABEL) が初めて実行されるところまでスクリプトを仮想時計で再現し、そこから始めます。</translation>
    </message>
    <message>
        <source>--load needs a file</source>
        <translation>--load にはファイルが必要です</translation>
    </message>
    <message>
        <source>--from needs a line number or a label</source>
        <translation>--from には行番号かラベルが必要です</translation>
    </message>
    <message>
        <source>--load and --from each choose where to start; give one</source>
        <translation>--load と --from はどちらも開始位置を決めます。どちらか一つを指定してください</translation>
    </message>
    <message>
        <source>--load and --from do not go with --export-video, whose video starts with the game</source>
        <translation>--export-video の動画はゲームの最初から始まるため、--load や --from とは一緒に使えません</translation>
    </message>
    <message>
        <source>--check runs nothing, so it has nothing to save or load</source>
        <translation>--check は何も実行しないため、セーブもロードもできません</translation>
    </message>
    <message>
        <source>Orbel runs a script-driven visual novel: GAME_DIR holds Data/SCRIPT.TXT and the pictures, movies and
sounds it names (a path to its SCRIPT.TXT works too, or a zip, LZH, 7z, cabinet, ISO or BIN/CUE image
holding the game, played from a copy unpacked into ~/.cache/orbel). Without GAME_DIR and without a game
in the current directory, a folder dialog asks for one, and the bundled demo game runs when it is
cancelled.</source>
        <translation>Orbel はスクリプトで動くビジュアルノベルを遊ぶプログラムです。GAME_DIR には Data/SCRIPT.TXT と、
それが指す画像・動画・音声があります (SCRIPT.TXT へのパスや、ゲームの入った zip、LZH、7z、cabinet、
ISO、BIN/CUE イメージも指定でき、~/.cache/orbel に展開したコピーで遊びます)。GAME_DIR を指定せず、
現在のディレクトリにもゲームがないときはフォルダー選択ダイアログで尋ね、キャンセルすると付属の
デモゲームが始まります。</translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation>このヘルプを表示して終了します。</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>バージョンを表示して終了します。</translation>
    </message>
    <message>
        <source>No dialogs: errors go to standard error; exit when the script ends (0) or rests (2 after an error, an unreadable script included; else 3).</source>
        <translation>ダイアログを出さず、エラーは標準エラー出力に書きます。スクリプトが終わると (0)、または止まると (エラーの後は 2、読めないスクリプトを含む。それ以外は 3) 終了します。</translation>
    </message>
    <message>
        <source>Print each script step as N:line on standard output.</source>
        <translation>スクリプトの各ステップを N:行 の形で標準出力に書きます。</translation>
    </message>
    <message>
        <source>At exit, write the screen picture to FILE as a bitmap.</source>
        <translation>終了時に、画面の画像をビットマップとして FILE に書き込みます。</translation>
    </message>
    <message>
        <source>At exit, write the 640x480 client area as shown to FILE.</source>
        <translation>終了時に、表示されている 640x480 のクライアント領域を FILE に書き込みます。</translation>
    </message>
    <message>
        <source>Write each changed window picture as DIR/000001.bmp, ...</source>
        <translation>ウィンドウの画像が変わるたびに DIR/000001.bmp, ... として書き込みます。</translation>
    </message>
    <message>
        <source>End the program (exit 4) after MS milliseconds of the game&apos;s time: from start-up, or with --load and --from from the game&apos;s start, the replayed part included (virtual milliseconds with --fast).</source>
        <translation>ゲームの時間で MS ミリ秒たったらプログラムを終了します (終了コード 4)。起動から数え、--load と --from ではゲームの最初から、再現した部分も含めて数えます (--fast では仮想時間のミリ秒)。</translation>
    </message>
    <message>
        <source>The script&apos;s encoding: cp932 (Shift-JIS, the default) or utf-8, as translations are saved. A script that starts with a UTF-8 byte-order mark is read as UTF-8 either way.</source>
        <translation>スクリプトの文字コード: cp932 (Shift-JIS、既定) か、翻訳で使われる utf-8。UTF-8 のバイト順マークで始まるスクリプトは、どちらでも UTF-8 として読みます。</translation>
    </message>
    <message>
        <source>Window with a picture N times 640x480, every pixel a sharp N x N block (1 to 8).</source>
        <translation>画像を 640x480 の N 倍で表示するウィンドウ。各画素はくっきりした N x N の四角になります (1 から 8)。</translation>
    </message>
    <message>
        <source>Start in full screen at the desktop&apos;s own resolution (F11 or Alt+Enter toggles).</source>
        <translation>デスクトップの解像度のままフルスクリーンで始めます (F11 か Alt+Enter で切り替え)。</translation>
    </message>
    <message>
        <source>How the picture fills the full screen: integer (whole factors, centred; the default), aspect (largest 4:3 area) or stretch (the whole screen).</source>
        <translation>フルスクリーンでの画像の広げ方: integer (整数倍で中央に。既定)、aspect (4:3 で最大の領域)、stretch (画面全体)。</translation>
    </message>
    <message>
        <source>The menu&apos;s full-screen items never change the screen resolution; they show the enlarged picture instead.</source>
        <translation>メニューのフルスクリーン項目で画面の解像度を変えず、代わりに拡大した画像を表示します。</translation>
    </message>
    <message>
        <source>Play the game on the virtual clock and write the window&apos;s picture and the sound to FILE (.mkv or .mp4: H.264; .webm: VP9), then exit as --batch does.</source>
        <translation>ゲームを仮想時計で動かし、ウィンドウの画像と音を FILE に書き込んで (.mkv と .mp4 は H.264、.webm は VP9)、--batch と同じように終了します。</translation>
    </message>
    <message>
        <source>Frames per second of --export-video (default 60).</source>
        <translation>--export-video の毎秒のフレーム数 (既定 60)。</translation>
    </message>
    <message>
        <source>--export-video without loss: FFV1 pictures and FLAC sound, in a .mkv file.</source>
        <translation>劣化のない --export-video: FFV1 の画像と FLAC の音を .mkv ファイルに書きます。</translation>
    </message>
    <message>
        <source>The game folder; it becomes the current directory.</source>
        <translation>ゲームのフォルダー。現在のディレクトリになります。</translation>
    </message>
    <message>
        <source>only one GAME_DIR may be given</source>
        <translation>GAME_DIR は一つだけ指定できます</translation>
    </message>
    <message>
        <source>--%1 needs %2, not &apos;%3&apos;</source>
        <translation>--%1 には %2 が必要です (&apos;%3&apos; ではなく)</translation>
    </message>
    <message>
        <source>a number of milliseconds</source>
        <translation>ミリ秒数</translation>
    </message>
    <message>
        <source>a whole number from 1 to 8</source>
        <translation>1 から 8 の整数</translation>
    </message>
    <message>
        <source>--fit takes integer, aspect or stretch, not &apos;%1&apos;</source>
        <translation>--fit には integer、aspect、stretch のどれかを指定します (&apos;%1&apos; ではなく)</translation>
    </message>
    <message>
        <source>--encoding takes cp932 or utf-8, not &apos;%1&apos;</source>
        <translation>--encoding には cp932 か utf-8 を指定します (&apos;%1&apos; ではなく)</translation>
    </message>
    <message>
        <source>a whole number from 1 to 240</source>
        <translation>1 から 240 の整数</translation>
    </message>
    <message>
        <source>--export-fps and --export-lossless go with --export-video</source>
        <translation>--export-fps と --export-lossless は --export-video と一緒に使います</translation>
    </message>
    <message>
        <source>--fast needs --batch: a window that a player watches runs in real time</source>
        <translation>--fast には --batch が必要です: プレイヤーが見るウィンドウは実時間で動きます</translation>
    </message>
    <message>
        <source>--check runs nothing, so --fast has nothing to speed up</source>
        <translation>--check は何も実行しないため、--fast で速くするものがありません</translation>
    </message>
    <message>
        <source>Show the board&apos;s texts in the translation of the gettext catalogue FILE (.po or .mo) instead of the game&apos;s Translations folder.</source>
        <translation>ボードのテキストを、ゲームの Translations フォルダーの代わりに gettext カタログ FILE (.po か .mo) の訳で表示します。</translation>
    </message>
    <message>
        <source>Play in the translation CODE: Translations/CODE.po (or .mo) beside the game&apos;s Data folder, and the pictures of Translations/CODE/Data. &apos;none&apos; shows the script&apos;s own text. Without it a player&apos;s run follows the user&apos;s locale when the game has a catalogue for it.</source>
        <translation>翻訳 CODE で遊びます: ゲームの Data フォルダーの隣の Translations/CODE.po (か .mo) と、Translations/CODE/Data の画像を使います。none ではスクリプトの元のテキストを表示します。指定しないと、ゲームにユーザーのロケールのカタログがあればプレイヤーの実行ではそれを使います。</translation>
    </message>
    <message>
        <source>Write every board text of the game&apos;s script to FILE, a gettext template (.pot) to translate, and exit.</source>
        <translation>ゲームのスクリプトのボードのテキストをすべて、翻訳用の gettext テンプレート (.pot) FILE に書き込んで終了します。</translation>
    </message>
    <message>
        <source>--translation needs a file</source>
        <translation>--translation にはファイルが必要です</translation>
    </message>
    <message>
        <source>--extract-text needs a file</source>
        <translation>--extract-text にはファイルが必要です</translation>
    </message>
    <message>
        <source>--language takes a language code such as fr or pt_BR, or none, not &apos;%1&apos;</source>
        <translation>--language には fr や pt_BR のような言語コードか none を指定します (&apos;%1&apos; ではなく)</translation>
    </message>
    <message>
        <source>--translation names a translation, which --language none turns off; give one</source>
        <translation>--translation は翻訳を指定しますが、--language none は翻訳を切ります。どちらか一つを指定してください</translation>
    </message>
    <message>
        <source>--extract-text writes the script&apos;s own texts and runs nothing else</source>
        <translation>--extract-text はスクリプトの元のテキストを書き出すだけで、ほかには何も実行しません</translation>
    </message>
    <message>
        <source>Check the game&apos;s script without showing anything: one line SCRIPT.TXT:&lt;line&gt;: &lt;message&gt; per problem (&quot;note:&quot; before the message of a line that runs, but likely not as meant); exit 0 when there are no problems, else 1. With --language or --translation the catalogue too: &lt;catalogue&gt;:&lt;line&gt;: &lt;message&gt; for texts that do not fit the board (exit 1) and stale entries, and the share translated.</source>
        <translation>何も表示せずにゲームのスクリプトを検査します: 問題ごとに SCRIPT.TXT:&lt;行&gt;: &lt;メッセージ&gt; を 1 行書きます (実行はされるが意図どおりでなさそうな行には &quot;note:&quot; が付きます)。問題がなければ 0、あれば 1 で終了します。--language か --translation があればカタログも検査します: ボードに収まらない訳文 (終了コード 1) と古い項目ごとに &lt;カタログ&gt;:&lt;行&gt;: &lt;メッセージ&gt;、最後に訳された割合を書きます。</translation>
    </message>
    <message>
        <source>With --batch: run on a virtual clock, as fast as the machine allows, with the real-time result (the milliseconds of --quit-after are then virtual too); a game that loops ends after one round.</source>
        <translation>--batch と一緒に: 仮想時計で、マシンの許す限り速く、実時間と同じ結果になるように実行します (このとき --quit-after のミリ秒も仮想時間です)。繰り返すゲームは一巡で終わります。</translation>
    </message>
    <message>
        <source>Exit status:
  0      the window was closed, or (--batch) the script ended, or (--fast) the
         game came back to where it had been; (--export-video) the video is
         complete, whatever ended the game
  1      bad options, a game folder that cannot be entered, an output file
         that cannot be written, a video that cannot be started
  2      (--batch) the script rests after an error, or SCRIPT.TXT exists but
         cannot be read, or the archive named as GAME_DIR cannot be played,
         or the translation asked for cannot be read;
         the save named by --load cannot be used, or --from&apos;s line never runs;
         (--export-video) the video could not be completed, and no file is left
  3      (--batch) the script rests without an error: nothing runs its next line
  4      --quit-after ran out (not with --export-video: its video is complete)
  128+N  ended by signal N (SIGINT, SIGTERM, SIGHUP)
</source>
        <translation>終了コード:
  0      ウィンドウが閉じられた、(--batch) スクリプトが終わった、(--fast) ゲームが
         前と同じところに戻った、(--export-video) 何でゲームが終わっても動画が完成した
  1      オプションの誤り、入れないゲームフォルダー、書き込めない出力ファイル、
         始められない動画
  2      (--batch) エラーの後でスクリプトが止まった、SCRIPT.TXT があるが読めない、
         GAME_DIR に指定したアーカイブで遊べない、指定した翻訳が読めない、
         --load のセーブが使えない、--from の行が実行されない、
         (--export-video) 動画を完成できなかった (ファイルは残りません)
  3      (--batch) エラーなしでスクリプトが止まった: 次の行を実行するものがない
  4      --quit-after の時間が来た (--export-video では動画が完成しているので 0)
  128+N  シグナル N で終了した (SIGINT、SIGTERM、SIGHUP)
</translation>
    </message>
    <message>
        <source>Hold the game once each board text is fully shown, until Return, a left click or the wheel turned down (the 設定 menu&apos;s check item; remembered).</source>
        <translation>ボードの文が出そろうたびにゲームを止め、Return、左クリックまたはホイールを手前に回すまで待ちます（設定メニューのチェック項目。記憶されます）。</translation>
    </message>
    <message>
        <source>The master volume, 0 (silent) to 100 (as the game made it), for this run (the 設定 menu&apos;s volume dialog; remembered).</source>
        <translation>全体の音量。0（無音）から 100（ゲームのまま）まで、この実行に使います（設定メニューの音量ダイアログ。記憶されます）。</translation>
    </message>
    <message>
        <source>Append each board text to FILE as it is shown, one line a text, UTF-8, flushed at once; &apos;-&apos; is standard output.</source>
        <translation>ボードの文を表示のたびに FILE に追記します。一つの文を一行に、UTF-8 で、すぐに書き出します。&apos;-&apos; は標準出力です。</translation>
    </message>
    <message>
        <source>Send each board text as it is shown to every client of a WebSocket server on 127.0.0.1:PORT (6677 when PORT is left out), one text message a text.</source>
        <translation>ボードの文を表示のたびに、127.0.0.1:PORT の WebSocket サーバー（PORT を省くと 6677）のすべてのクライアントへ、一つの文を一つのテキストメッセージで送ります。</translation>
    </message>
    <message>
        <source>--volume needs a whole number from 0 to 100, not &apos;%1&apos;</source>
        <translation>--volume には 0 から 100 の整数が必要です（&apos;%1&apos; ではなく）</translation>
    </message>
    <message>
        <source>--text-out needs a file, or - for standard output</source>
        <translation>--text-out にはファイル名が必要です（標準出力なら -）</translation>
    </message>
    <message>
        <source>--text-server needs a port from 1 to 65535, not &apos;%1&apos;</source>
        <translation>--text-server には 1 から 65535 のポート番号が必要です（&apos;%1&apos; ではなく）</translation>
    </message>
    <message>
        <source>--text-out and --text-server send the texts a game shows as it runs</source>
        <translation>--text-out と --text-server は、実行中のゲームが表示する文を送るものです</translation>
    </message>
    <message>
        <source>Run the game at FACTOR times its speed, 0.25 to 4: waits, transitions, movies and sound alike, the sound at its own pitch (the 設定 menu&apos;s choice, remembered for each game). Not with --fast or --export-video.</source>
        <translation>ゲームを FACTOR 倍の速さで進めます（0.25 から 4）。待ち時間、トランジション、動画と音がそろって変わり、音の高さはそのままです（設定メニューの選択。ゲームごとに記憶されます）。--fast や --export-video とは使えません。</translation>
    </message>
    <message>
        <source>--speed needs a factor from 0.25 to 4, not &apos;%1&apos;</source>
        <translation>--speed には 0.25 から 4 の倍率が必要です（&apos;%1&apos; ではなく）</translation>
    </message>
    <message>
        <source>--speed sets the pace of a game played in real time; --fast and --export-video run on the virtual clock</source>
        <translation>--speed は実時間で遊ぶゲームの速さを決めるものです。--fast と --export-video は仮想の時計で動きます</translation>
    </message>
</context>
<context>
    <name>DataFiles</name>
    <message>
        <source>%1 is found as %2, stored in another encoding or normal form</source>
        <translation>%1 は %2 として見つかりました (別の文字コードか正規化形式で保存されています)</translation>
    </message>
    <message>
        <source>%1 is found as %2, which differs in letter case, separators or converted characters</source>
        <translation>%1 は %2 として見つかりました (大文字小文字、区切り文字、変換された文字が違います)</translation>
    </message>
    <message>
        <source>file name %1 leaves the game folder; it is never looked up</source>
        <translation>ファイル名 %1 はゲームフォルダーの外を指すため、探しません</translation>
    </message>
    <message>
        <source>file %1 not found; %2 is a folder</source>
        <translation>ファイル %1 が見つかりません。%2 はフォルダーです</translation>
    </message>
    <message>
        <source>file %1 not found; near match %2 differs in character width or letter case</source>
        <translation>ファイル %1 が見つかりません。近いもの %2 は文字の幅か大文字小文字が違います</translation>
    </message>
    <message>
        <source>file %1 not found; near match %2 differs in its extension</source>
        <translation>ファイル %1 が見つかりません。近いもの %2 は拡張子が違います</translation>
    </message>
    <message>
        <source>file %1 not found; near match %2 is in another folder</source>
        <translation>ファイル %1 が見つかりません。近いもの %2 は別のフォルダーにあります</translation>
    </message>
    <message>
        <source>file %1 not found</source>
        <translation>ファイル %1 が見つかりません</translation>
    </message>
</context>
<context>
    <name>Export</name>
    <message>
        <source>at the rate of its first %1 it would need about %2 for the %3 up to --quit-after, and its file system has %4 free</source>
        <translation>最初の %1 の割合では、--quit-after までの %3 に約 %2 が必要ですが、ファイルシステムの空きは %4 です</translation>
    </message>
    <message>
        <source>its file system is nearly full: %1 free, room for about %2 more of the game at %3 a minute (free some space, or bound the export with --quit-after)</source>
        <translation>ファイルシステムがほぼいっぱいです: 空きは %1 で、1 分あたり %3 の割合ではゲームのあと約 %2 ぶんしか入りません (空きを作るか、--quit-after で書き出しを区切ってください)</translation>
    </message>
    <message>
        <source>cannot export video to %1: %2</source>
        <translation>%1 に動画を書き出せません: %2</translation>
    </message>
    <message>
        <source>exporting: line %1, %2 s of the game, %3, %4x real time</source>
        <translation>書き出し中: %1 行目、ゲームの %2 秒、%3、実時間の %4 倍</translation>
    </message>
    <message numerus="yes">
        <source>exported %1 s of the game to %2 (%n pictures, %3) in %4 s, %5x real time</source>
        <translation>
            <numerusform>ゲームの %1 秒を %2 に書き出しました (%n 枚の画像、%3、%4 秒、実時間の %5 倍)</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Files</name>
    <message>
        <source>%1 is a folder, not a file</source>
        <translation>%1 はフォルダーで、ファイルではありません</translation>
    </message>
    <message>
        <source>%1 is a named pipe, not a file</source>
        <translation>%1 は名前付きパイプで、ファイルではありません</translation>
    </message>
    <message>
        <source>%1 is a device, not a file</source>
        <translation>%1 はデバイスで、ファイルではありません</translation>
    </message>
    <message>
        <source>%1 is a socket, not a file</source>
        <translation>%1 はソケットで、ファイルではありません</translation>
    </message>
    <message>
        <source>%1 is not a regular file</source>
        <translation>%1 は通常のファイルではありません</translation>
    </message>
    <message>
        <source>%1 cannot be read</source>
        <translation>%1 を読めません</translation>
    </message>
    <message>
        <source>%1 is missing</source>
        <translation>%1 がありません</translation>
    </message>
    <message>
        <source>%1 cannot be opened: %2</source>
        <translation>%1 を開けません: %2</translation>
    </message>
</context>
<context>
    <name>Fonts</name>
    <message>
        <source>neither the font &quot;%1&quot; nor any Japanese font is installed; &quot;%2&quot; is shown in another face</source>
        <translation>フォント「%1」も日本語フォントも見つかりません。「%2」は別の書体で表示されます</translation>
    </message>
    <message>
        <source>the font &quot;%1&quot; is not installed; &quot;%3&quot; stands in for &quot;%2&quot;</source>
        <translation>フォント「%1」が見つかりません。「%2」の代わりに「%3」を使います</translation>
    </message>
</context>
<context>
    <name>GameFolder</name>
    <message>
        <source>%1 holds several games. Which one?</source>
        <translation>%1 には複数のゲームがあります。どれで遊びますか?</translation>
    </message>
    <message>
        <source>Choose a game folder or archive</source>
        <translation>ゲームのフォルダーかアーカイブを選んでください</translation>
    </message>
    <message>
        <source>Games</source>
        <translation>ゲーム</translation>
    </message>
    <message>
        <source>%1 holds no game: a game folder holds Data/SCRIPT.TXT or SCRIPT.TXT.</source>
        <translation>%1 にはゲームがありません: ゲームのフォルダーには Data/SCRIPT.TXT か SCRIPT.TXT があります。</translation>
    </message>
</context>
<context>
    <name>Presentation</name>
    <message>
        <source>orbel: a %1x zoom does not fit the screen&apos;s free area of %2x%3 pixels; the window is zoomed %4x</source>
        <translation>orbel: %1 倍の拡大は画面の空き領域 (%2x%3 ピクセル) に収まりません。ウィンドウは %4 倍で表示します</translation>
    </message>
</context>
<context>
    <name>Run</name>
    <message>
        <source>the script runs on at line %1 without ever waiting, so its time cannot move on</source>
        <translation>スクリプトが %1 行目で一度も待たずに動き続けるため、時間が進みません</translation>
    </message>
    <message>
        <source>--from %1: line %2 never runs</source>
        <translation>--from %1: %2 行目は実行されません</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>%1 に書き込めません</translation>
    </message>
    <message>
        <source>the game loops back to line %1 (from line %2): at line %3 it is as it was %4 s before, so the run ends after one round</source>
        <translation>ゲームは %1 行目に戻って繰り返します (%2 行目から): %3 行目で %4 秒前と同じ状態なので、一巡で実行を終えます</translation>
    </message>
    <message>
        <source>--text-server cannot listen on 127.0.0.1:%1: %2</source>
        <translation>--text-server は 127.0.0.1:%1 で待ち受けできません: %2</translation>
    </message>
    <message>
        <source>--text-out cannot open %1: %2</source>
        <translation>--text-out で %1 を開けません: %2</translation>
    </message>
    <message>
        <source>--text-out cannot write %1: %2; no more texts go there</source>
        <translation>--text-out で %1 に書き込めません: %2。以後そこには文を送りません</translation>
    </message>
</context>
<context>
    <name>Saves</name>
    <message>
        <source>%1; the game starts again</source>
        <translation>%1。ゲームを最初から始めます</translation>
    </message>
    <message>
        <source>the save %1 cannot be written: the game&apos;s script was never read</source>
        <translation>セーブ %1 を書き込めません: ゲームのスクリプトが読まれていません</translation>
    </message>
    <message>
        <source>--from %1: the script has lines 1 to %2</source>
        <translation>--from %1: スクリプトにあるのは 1 行目から %2 行目までです</translation>
    </message>
    <message>
        <source>--from %1: the script has no such label</source>
        <translation>--from %1: スクリプトにそのラベルはありません</translation>
    </message>
    <message>
        <source>the save %1 belongs to another game (%2)</source>
        <translation>セーブ %1 は別のゲームのものです (%2)</translation>
    </message>
    <message>
        <source>the save %1 was made with another version of this game&apos;s script, so the game cannot be replayed up to it</source>
        <translation>セーブ %1 はこのゲームの別の版のスクリプトで作られたため、その時点までゲームを再現できません</translation>
    </message>
    <message>
        <source>the save %1 has no number &quot;%2&quot;</source>
        <translation>セーブ %1 には数値 &quot;%2&quot; がありません</translation>
    </message>
    <message>
        <source>the save %1 has an impossible &quot;%2&quot;</source>
        <translation>セーブ %1 の &quot;%2&quot; はありえない値です</translation>
    </message>
    <message>
        <source>the save %1 has no text &quot;%2&quot;</source>
        <translation>セーブ %1 には文字列 &quot;%2&quot; がありません</translation>
    </message>
    <message>
        <source>the save %1 is empty</source>
        <translation>セーブ %1 は空です</translation>
    </message>
    <message>
        <source>the save %1 is too large to be a save</source>
        <translation>セーブ %1 はセーブにしては大きすぎます</translation>
    </message>
    <message>
        <source>the save %1 is damaged or not a save (%2 at byte %3)</source>
        <translation>セーブ %1 は壊れているか、セーブではありません (%3 バイト目で %2)</translation>
    </message>
    <message>
        <source>the save %1 is not a save</source>
        <translation>セーブ %1 はセーブではありません</translation>
    </message>
    <message>
        <source>the save %1 has version %2; this program reads version %3</source>
        <translation>セーブ %1 は版 %2 です。このプログラムが読めるのは版 %3 です</translation>
    </message>
    <message>
        <source>the save %1 has a damaged &quot;%2&quot;</source>
        <translation>セーブ %1 の &quot;%2&quot; が壊れています</translation>
    </message>
    <message>
        <source>the save %1 does not exist</source>
        <translation>セーブ %1 はありません</translation>
    </message>
    <message>
        <source>the save %1 cannot be read</source>
        <translation>セーブ %1 を読めません</translation>
    </message>
    <message>
        <source>the save %1 cannot be written: %2</source>
        <translation>セーブ %1 を書き込めません: %2</translation>
    </message>
    <message>
        <source>the save %1 cannot be written: the folder %2 cannot be made: %3</source>
        <translation>セーブ %1 を書き込めません: フォルダー %2 を作れません: %3</translation>
    </message>
    <message>
        <source>the save %1 cannot be written: the folder %2 does not exist</source>
        <translation>セーブ %1 を書き込めません: フォルダー %2 がありません</translation>
    </message>
    <message>
        <source>the save %1 cannot be written: %2 is not a folder</source>
        <translation>セーブ %1 を書き込めません: %2 はフォルダーではありません</translation>
    </message>
    <message>
        <source>the save %1 cannot be written: it is a folder</source>
        <translation>セーブ %1 を書き込めません: フォルダーです</translation>
    </message>
    <message>
        <source>the save %1</source>
        <translation>セーブ %1</translation>
    </message>
    <message>
        <source>the script runs %1 steps before the save&apos;s time, which names %2</source>
        <translation>スクリプトはセーブの時刻より前に %1 ステップを実行しますが、セーブには %2 とあります</translation>
    </message>
    <message>
        <source>the script comes to rest after %1 of the save&apos;s %2 steps</source>
        <translation>スクリプトはセーブの %2 ステップのうち %1 ステップで止まります</translation>
    </message>
    <message>
        <source>by %1 ms the script has run %2 of the save&apos;s %3 steps, which it had run by %4 ms</source>
        <translation>%1 ms までにスクリプトはセーブの %3 ステップのうち %2 ステップしか実行していません（セーブでは %4 ms までに実行済み）</translation>
    </message>
    <message>
        <source>where the game was before the load cannot be reached again: %1</source>
        <translation>ロード前の位置に戻れません: %1</translation>
    </message>
    <message>
        <source>the save %1 does not fit this game&apos;s script: %2</source>
        <translation>セーブ %1 はこのゲームのスクリプトに合いません: %2</translation>
    </message>
</context>
<context>
    <name>ScriptCheck</name>
    <message>
        <source>picture</source>
        <translation>画像</translation>
    </message>
    <message>
        <source>movie</source>
        <translation>動画</translation>
    </message>
    <message>
        <source>sound</source>
        <translation>音声</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1 &apos;%2&apos; cannot be read: %3</source>
        <translation>%1 &apos;%2&apos; を読めません: %3</translation>
    </message>
    <message>
        <source>no SCRIPT.TXT in Data/ or in the game folder</source>
        <translation>Data/ にもゲームフォルダーにも SCRIPT.TXT がありません</translation>
    </message>
    <message>
        <source>%1 is larger than %2 MB; the engine would refuse it</source>
        <translation>%1 は %2 MB より大きいため、エンジンは読み込みません</translation>
    </message>
    <message>
        <source>cannot read %1</source>
        <translation>%1 を読めません</translation>
    </message>
    <message>
        <source>the file starts with a UTF-8 byte-order mark: save it as Shift-JIS without one</source>
        <translation>ファイルが UTF-8 のバイト順マークで始まっています: マークなしの Shift-JIS で保存してください</translation>
    </message>
    <message>
        <source>a zero byte ends the script here: nothing after it is read</source>
        <translation>ここにある 0 のバイトでスクリプトが終わります: この後は読まれません</translation>
    </message>
    <message>
        <source>the text is UTF-8: the script must be saved as Shift-JIS</source>
        <translation>テキストが UTF-8 です: スクリプトは Shift-JIS で保存してください</translation>
    </message>
    <message>
        <source>byte %1 at column %2 is not %3 text</source>
        <translation>%2 桁目のバイト %1 は %3 の文字ではありません</translation>
    </message>
    <message>
        <source>missing %1 (field %2): the script stops here</source>
        <translation>%1がありません (フィールド %2): スクリプトはここで止まります</translation>
    </message>
    <message>
        <source>%1 is not a number (%2, field %3): the script stops here</source>
        <translation>%1 は数値ではありません (%2、フィールド %3): スクリプトはここで止まります</translation>
    </message>
    <message>
        <source>file name</source>
        <translation>ファイル名</translation>
    </message>
    <message>
        <source>unknown %1 subcommand %2: the line does nothing</source>
        <translation>%1 のサブコマンド %2 は知りません: この行は何もしません</translation>
    </message>
    <message>
        <source>empty line: the script stops here (every line needs a command)</source>
        <translation>空の行: スクリプトはここで止まります (どの行にもコマンドが必要です)</translation>
    </message>
    <message>
        <source>the command word is empty: the line is skipped</source>
        <translation>コマンドが空です: この行は飛ばされます</translation>
    </message>
    <message>
        <source>wait subcommand</source>
        <translation>wait のサブコマンド</translation>
    </message>
    <message>
        <source>milliseconds</source>
        <translation>ミリ秒</translation>
    </message>
    <message>
        <source>label</source>
        <translation>ラベル</translation>
    </message>
    <message>
        <source>unknown command %1: the line is skipped</source>
        <translation>コマンド %1 は知りません: この行は飛ばされます</translation>
    </message>
    <message>
        <source>%1 is a subcommand, not a command: the line is skipped</source>
        <translation>%1 はコマンドではなくサブコマンドです: この行は飛ばされます</translation>
    </message>
    <message>
        <source>effect</source>
        <translation>効果</translation>
    </message>
    <message>
        <source>background</source>
        <translation>背景</translation>
    </message>
    <message>
        <source>flag</source>
        <translation>フラグ</translation>
    </message>
    <message>
        <source>effect %1 starts no transition and field 1 is not &quot;0&quot;: the script rests here for good</source>
        <translation>効果 %1 は切り替えを始めず、フィールド 1 が &quot;0&quot; でもありません: スクリプトはここで止まったままになります</translation>
    </message>
    <message>
        <source>board subcommand</source>
        <translation>board のサブコマンド</translation>
    </message>
    <message>
        <source>the blank between %1 and %2 puts them on separate board lines; enclose the text in double quotes to keep it on one line</source>
        <translation>%1 と %2 の間の空白で、ボードの別々の行に分かれます。1 行にするには文をダブルクォートで囲んでください</translation>
    </message>
    <message>
        <source>avi subcommand</source>
        <translation>avi のサブコマンド</translation>
    </message>
    <message>
        <source>pcm subcommand</source>
        <translation>pcm のサブコマンド</translation>
    </message>
    <message>
        <source>position</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>jump to %1, a label that does not exist: the script starts again at line 1</source>
        <translation>ジャンプ先のラベル %1 がありません: スクリプトは 1 行目からやり直します</translation>
    </message>
    <message>
        <source> (line %1 has it with blanks or fields around it)</source>
        <translation> (%1 行目には前後に空白かフィールドの付いたものがあります)</translation>
    </message>
    <message>
        <source>label %1 has blanks or fields around it: a jump reaches a label only through the line&apos;s whole text, so nothing reaches this one</source>
        <translation>ラベル %1 の前後に空白かフィールドがあります: ジャンプは行全体の文字列でラベルを探すため、このラベルにはどこからも来ません</translation>
    </message>
</context>
<context>
    <name>SystemError</name>
    <message>
        <source>Permission denied</source>
        <translation>許可がありません</translation>
    </message>
    <message>
        <source>Operation not permitted</source>
        <translation>許可されていない操作です</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>読み込み専用のファイルシステムです</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>デバイスに空き領域がありません</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>ディスク使用量の制限を超えました</translation>
    </message>
    <message>
        <source>File too large</source>
        <translation>ファイルが大きすぎます</translation>
    </message>
    <message>
        <source>No such file or directory</source>
        <translation>そのようなファイルやディレクトリはありません</translation>
    </message>
    <message>
        <source>Not a directory</source>
        <translation>ディレクトリではありません</translation>
    </message>
    <message>
        <source>Is a directory</source>
        <translation>ディレクトリです</translation>
    </message>
    <message>
        <source>File exists</source>
        <translation>ファイルがすでにあります</translation>
    </message>
    <message>
        <source>File name too long</source>
        <translation>ファイル名が長すぎます</translation>
    </message>
    <message>
        <source>Too many levels of symbolic links</source>
        <translation>シンボリックリンクの階層が多すぎます</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>入出力エラーです</translation>
    </message>
    <message>
        <source>Too many open files</source>
        <translation>開いているファイルが多すぎます</translation>
    </message>
    <message>
        <source>Cannot allocate memory</source>
        <translation>メモリを確保できません</translation>
    </message>
</context>
<context>
    <name>TextTools</name>
    <message>
        <source>no SCRIPT.TXT in Data/ or in the game folder</source>
        <translation>Data/ にもゲームフォルダーにも SCRIPT.TXT がありません</translation>
    </message>
    <message>
        <source>cannot read %1</source>
        <translation>%1 を読めません</translation>
    </message>
    <message>
        <source>The board shows %1 lines of %2 characters; a full-width character takes two. A longer line breaks at a blank.</source>
        <translation>ボードには %2 文字の行が %1 行表示されます。全角文字は 2 文字分です。長い行は空白で折り返されます。</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>%1 に書き込めません: %2</translation>
    </message>
    <message>
        <source>%1 of %2 board texts translated (%3%)</source>
        <translation>ボードのテキスト %2 個のうち %1 個が翻訳済み (%3%)</translation>
    </message>
    <message>
        <source>; %1 fuzzy, shown untranslated</source>
        <translation>。%1 個は未確定 (fuzzy) で、原文のまま表示されます</translation>
    </message>
    <message>
        <source>; %1 not in the catalogue: extract the texts again and merge them in</source>
        <translation>。%1 個はカタログにありません: テキストを抽出し直してマージしてください</translation>
    </message>
</context>
<context>
    <name>Translations</name>
    <message>
        <source>there is no translation &apos;%1&apos; in %2/</source>
        <translation>%2/ に翻訳 &apos;%1&apos; はありません</translation>
    </message>
    <message>
        <source>there is no translation &apos;%1&apos; in %2/ (there is: %3)</source>
        <translation>%2/ に翻訳 &apos;%1&apos; はありません (あるのは %3)</translation>
    </message>
</context>
<context>
    <name>UnpackProgress</name>
    <message>
        <source>unpacking %1: %2% (%3 of %4 files)</source>
        <translation>%1 を展開中: %2% (%4 個中 %3 個のファイル)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Unpacking %1…
%2 of %3 files</source>
        <translation>%1 を展開しています…
%3 個中 %2 個のファイル</translation>
    </message>
</context>
<context>
    <name>VideoExport</name>
    <message>
        <source>cannot export video to %1: %2</source>
        <translation>%1 に動画を書き出せません: %2</translation>
    </message>
    <message>
        <source>a lossless export is written as .mkv only</source>
        <translation>劣化のない書き出しは .mkv にしか書けません</translation>
    </message>
    <message>
        <source>the name has no extension (use .mkv, .mp4 or .webm)</source>
        <translation>名前に拡張子がありません (.mkv、.mp4、.webm のどれかにしてください)</translation>
    </message>
    <message>
        <source>unknown extension &apos;%1&apos; (use .mkv, .mp4 or .webm)</source>
        <translation>拡張子 &apos;%1&apos; は知りません (.mkv、.mp4、.webm のどれかにしてください)</translation>
    </message>
    <message>
        <source>this system&apos;s FFmpeg has no %1 encoder</source>
        <translation>このシステムの FFmpeg には %1 エンコーダーがありません</translation>
    </message>
    <message>
        <source>the folder %1 does not exist</source>
        <translation>フォルダー %1 がありません</translation>
    </message>
    <message>
        <source>%1 is not a folder</source>
        <translation>%1 はフォルダーではありません</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>フォルダーです</translation>
    </message>
    <message>
        <source>the folder %1 is not writable</source>
        <translation>フォルダー %1 に書き込めません</translation>
    </message>
    <message>
        <source>writing failed (%1)</source>
        <translation>書き込みに失敗しました (%1)</translation>
    </message>
    <message>
        <source>cannot give the finished file its name (%1)</source>
        <translation>書き終えたファイルに名前を付けられません (%1)</translation>
    </message>
    <message>
        <source>%1 failed (%2)</source>
        <translation>%1に失敗しました (%2)</translation>
    </message>
    <message>
        <source>an earlier error ended this export</source>
        <translation>先のエラーでこの書き出しは終わっています</translation>
    </message>
    <message>
        <source>the export is already finished</source>
        <translation>書き出しはもう終わっています</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>メモリが足りません</translation>
    </message>
    <message>
        <source>setting up the container</source>
        <translation>コンテナーの準備</translation>
    </message>
    <message>
        <source>setting up the colour conversion failed</source>
        <translation>色変換の準備に失敗しました</translation>
    </message>
    <message>
        <source>opening the %1 encoder</source>
        <translation>%1 エンコーダーの起動</translation>
    </message>
    <message>
        <source>setting up the video stream</source>
        <translation>映像ストリームの準備</translation>
    </message>
    <message>
        <source>allocating a picture</source>
        <translation>画像の確保</translation>
    </message>
    <message>
        <source>the %1 encoder takes no sample format this program can give</source>
        <translation>%1 エンコーダーはこのプログラムが渡せる音声形式を受け付けません</translation>
    </message>
    <message>
        <source>setting up the sound stream</source>
        <translation>音声ストリームの準備</translation>
    </message>
    <message>
        <source>the %1 encoder</source>
        <translation>%1 エンコーダー</translation>
    </message>
    <message>
        <source>setting up a sound frame</source>
        <translation>音声フレームの準備</translation>
    </message>
    <message>
        <source>allocating a sound frame</source>
        <translation>音声フレームの確保</translation>
    </message>
    <message>
        <source>the scale must be a whole number from 1 to %1</source>
        <translation>拡大率は 1 から %1 の整数にしてください</translation>
    </message>
    <message>
        <source>the frame rate must be from 1 to %1 per second</source>
        <translation>フレームレートは毎秒 1 から %1 にしてください</translation>
    </message>
    <message>
        <source>a picture of %1x%2 was given, the export takes %3x%4</source>
        <translation>%1x%2 の画像が渡されましたが、書き出せるのは %3x%4 です</translation>
    </message>
</context>
<context>
    <name>Window</name>
    <message>
        <source>Paused</source>
        <translation>一時停止</translation>
    </message>
    <message>
        <source>Where the game is could not be kept, so the next start cannot continue from here:
%1</source>
        <translation>ゲームの現在位置を保存できなかったため、次に始めるときここから続けることはできません:
%1</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>続きから</translation>
    </message>
    <message>
        <source>Start again</source>
        <translation>最初から</translation>
    </message>
    <message>
        <source>Always do this for this game</source>
        <translation>このゲームではいつもこうする</translation>
    </message>
    <message>
        <source>Line %1</source>
        <translation>%1 行目</translation>
    </message>
    <message>
        <source>Line %1: %2</source>
        <translation>%1 行目: %2</translation>
    </message>
    <message>
        <source>Continue from where you left off last time?</source>
        <translation>前回の続きから始めますか?</translation>
    </message>
    <message>
        <source>The game cannot run fast while it is paused</source>
        <translation>一時停止中は早送りできません</translation>
    </message>
    <message>
        <source>The game cannot be saved while a save is being loaded</source>
        <translation>ロード中はセーブできません</translation>
    </message>
    <message>
        <source>Quick saved</source>
        <translation>クイックセーブしました</translation>
    </message>
    <message>
        <source>There is no quick save</source>
        <translation>クイックセーブがありません</translation>
    </message>
    <message>
        <source>Saved to slot %1</source>
        <translation>%1 番にセーブしました</translation>
    </message>
    <message>
        <source>%1.

Start at its line %2 without what led there, or start the game again?</source>
        <translation>%1。

そこまでの流れなしで %2 行目から始めますか、それともゲームを最初から始めますか?</translation>
    </message>
    <message>
        <source>Start at line %1</source>
        <translation>%1 行目から</translation>
    </message>
    <message>
        <source>(free)</source>
        <translation>(空き)</translation>
    </message>
    <message>
        <source>line %1</source>
        <translation>%1 行目</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>セーブ</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>ロード</translation>
    </message>
    <message>
        <source>Choose the slot to save to</source>
        <translation>セーブする場所を選んでください</translation>
    </message>
    <message>
        <source>Choose the save to load</source>
        <translation>ロードするデータを選んでください</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Loading</source>
        <translation>ロード中</translation>
    </message>
    <message>
        <source>Auto %1</source>
        <translation>自動 %1</translation>
    </message>
    <message>
        <source>Save over slot %1?</source>
        <translation>スロット %1 に上書きしますか？</translation>
    </message>
    <message>
        <source>History</source>
        <translation>履歴</translation>
    </message>
    <message>
        <source>Fast forward</source>
        <translation>早送り</translation>
    </message>
    <message>
        <source>Hold after each &amp;text</source>
        <translation>文ごとに止める(&amp;T)</translation>
    </message>
    <message>
        <source>&amp;Volume...</source>
        <translation>音量(&amp;V)...</translation>
    </message>
    <message>
        <source>No text has been shown yet</source>
        <translation>まだ文が表示されていません</translation>
    </message>
    <message>
        <source>That text was shown before the script changed; the game cannot go back to it</source>
        <translation>その文はスクリプトが変わる前に表示されたもので、そこへは戻れません</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>音量</translation>
    </message>
    <message>
        <source>Master</source>
        <translation>全体</translation>
    </message>
    <message>
        <source>Sound</source>
        <translation>サウンド</translation>
    </message>
    <message>
        <source>Movies</source>
        <translation>動画</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>消音</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>&amp;Speed</source>
        <translation>速さ(&amp;P)</translation>
    </message>
    <message>
        <source>%1x</source>
        <translation>%1 倍</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>%1

The game plays untranslated.</source>
        <translation>%1

ゲームは翻訳なしで始まります。</translation>
    </message>
</context>
</TS>
