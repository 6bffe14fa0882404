; The installer's and uninstaller's own Japanese texts (the pages' texts come from the
; Japanese language file that MUI2 carries).
LangString ProductName ${LANG_JAPANESE} "ブリムレットボックス"
LangString NotElevated ${LANG_JAPANESE} "ブリムレットボックスのインストールとアンインストールには管理者の権限が必要です。$\r$\n管理者として実行し直してください。"
LangString HostDidNotEnd ${LANG_JAPANESE} "実行中のブリムレットボックスを終了できませんでした。$\r$\nタスクトレイのアイコンから終了してから、もう一度実行してください。"
LangString StartMenuEntry ${LANG_JAPANESE} "ブリムレットボックス"
