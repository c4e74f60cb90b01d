#pragma once
// Every text the program shows, exactly as the user sees it.

namespace texts {

inline constexpr wchar_t kAppTitle[] = L"Oskerin - Vimbrel";
// The main icon's tooltip.
inline constexpr wchar_t kMainIconTip[] = L"Vimbrel";

// "%1" stands for the value filled in (FillIn), mostly a path in double quotes.
inline constexpr wchar_t kCannotCreateFolder[] = L"Не удалось создать каталог %1. Продолжение не возможно.";
inline constexpr wchar_t kNoElements[] =
    L"Нет ни одного элемента для вывода в трэй. Вы можете добавлять файлы или ярлыки в каталог %1, "
    L"тогда их иконки появятся здесь.";
inline constexpr wchar_t kCannotRun[] = L"Не удалось запустить %1.";
inline constexpr wchar_t kCannotOpenFolder[] = L"Не удалось открыть каталог %1.";
// Lines of an element's tooltip, when its shortcut key does not open it.
inline constexpr wchar_t kHotkeyTaken[] = L"Сочетание клавиш %1 занято другой программой";
// "%2": the element that holds the key, in double quotes.
inline constexpr wchar_t kHotkeyHeld[] = L"Сочетание клавиш %1 занято элементом %2";
inline constexpr wchar_t kHotkeyPlain[] = L"Сочетание клавиш %1 не действует: в нём нет Ctrl или Alt";
// A line of the main icon's tooltip; "%1" is the number of icons at most.
inline constexpr wchar_t kFilesLeftOut[] = L"Показаны не все файлы: значков не больше %1";
inline constexpr wchar_t kCannotSaveOptions[] = L"Не удалось сохранить настройки.";
inline constexpr wchar_t kCannotChangeStartWithWindows[] = L"Не удалось изменить запуск с Windows.";

inline constexpr wchar_t kHintFolderName[] = L"Добавляйте ярлыки и файлы сюда";
inline constexpr wchar_t kHintInfoTip[] = L"В этом каталоге хранятся ярлыки и файлы, которые будут выводиться в трее.";

inline constexpr wchar_t kShortcutFilter[] = L"Все файлы|*.*";
inline constexpr wchar_t kShortcutNamePrompt[] =
    L"Введите имя файла для ярлыка. Этот ярлык будет помещён в каталог с остальными ярлыками, "
    L"и будет выведен в трей как и все остальные. Расширение .LNK дописывать не нужно.";
inline constexpr wchar_t kCannotCreateShortcut[] = L"Не удалось создать ярлык.";
inline constexpr wchar_t kOverwriteFile[] = L"Файл %1 уже существует. Заменить?\r\n\r\n"
                                            L"Да     - Заменить файл.\r\n"
                                            L"Нет    - Выбрать другое имя.\r\n"
                                            L"Отмена - Не создавать ярлык.";

// Before the number of an error, as in "Ошибка 5: Отказано в доступе".
inline constexpr wchar_t kErrorNumberPrefix[] = L"Ошибка ";
inline constexpr wchar_t kFileDialogFailed[] = L"Не удалось показать окно выбора файла";
inline constexpr wchar_t kOutOfMemory[] = L"Недостаточно памяти";
inline constexpr wchar_t kNoAppData[] = L"Не найден каталог Application Data";

inline constexpr wchar_t kOk[] = L"ОК";
inline constexpr wchar_t kCancel[] = L"Отмена";

inline constexpr wchar_t kAboutCaption[] = L"О программе";
inline constexpr wchar_t kAboutVersionPrefix[] = L"Версия ";
inline constexpr wchar_t kAboutCopyright[] = L"© 2026 Quenwald. Все права защищены.";
inline constexpr wchar_t kAboutTrademark[] = L"Oskerin™ — товарный знак Quenwald.";
inline constexpr wchar_t kAboutDedication[] = L"Посвящается всем, кому нужное должно быть под рукой.";

inline constexpr wchar_t kMenuElements[] = L"Элементы";
inline constexpr wchar_t kMenuCreateShortcut[] = L"Создать ярлык...";
inline constexpr wchar_t kMenuOpenFolder[] = L"Открыть каталог";
inline constexpr wchar_t kMenuRefresh[] = L"Обновить";
inline constexpr wchar_t kMenuAntiHide[] = L"Anti-Hide";
inline constexpr wchar_t kMenuAntiHideInRemoteSession[] = L"Anti-Hide в терминальной сессии";
inline constexpr wchar_t kMenuStartWithWindows[] = L"Запускать с Windows";
inline constexpr wchar_t kMenuShowOnTaskbar[] = L"Показывать значки на панели задач";
inline constexpr wchar_t kMenuHelp[] = L"Справка";
inline constexpr wchar_t kMenuAbout[] = L"О программе...";
inline constexpr wchar_t kMenuExit[] = L"Выход";
inline constexpr wchar_t kMenuOpen[] = L"Открыть";
inline constexpr wchar_t kMenuDelete[] = L"Удалить";
inline constexpr wchar_t kMenuProperties[] = L"Свойства";

}  // namespace texts
