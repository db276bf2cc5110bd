#include "Moorstep/MessageTable.h"

namespace moorstep {
namespace {
constexpr char32_t kOK[] = U"OK";
constexpr char32_t kCancelar[] = U"Cancelar";
constexpr char32_t kChineseCancel[] = U"取消";
constexpr char32_t kEnRuntimeNotFound[] =
    U"This application requires a version of Kavex ZEL which cannot be found.\n"
    U"Please download the latest version of the runtime from\n"
    U"https://www.kavex.example/en/zel/download/,\n"
    U"or contact the application author for an updated version.";
constexpr char32_t kEnInstallFailed[] =
    U"Something went wrong trying to install this application.\n"
    U"Please install the latest version of Kavex ZEL from\n"
    U"https://www.kavex.example/en/zel/download/ and then try again.";
constexpr char32_t kEnCancel[] = U"Cancel";
constexpr char32_t kEnPleaseWait[] = U"Please wait.";
constexpr char32_t kEnDownloadFailed[] =
    U"Unable to download Kavex ZEL. Make sure that you’re connected to the network and try again.";
constexpr char32_t kEnDownloadNotValid[] =
    U"Unable to validate the downloaded version of Kavex ZEL.\n"
    U"Please install the latest version of Kavex ZEL from\n"
    U"https://www.kavex.example/en/zel/download/,\n"
    U"then retry installing this application.";
constexpr char32_t kEnVerifying[] = U"Verifying download...";
constexpr char32_t kEnUpdateNotAvailable[] =
    U"This application requires an update to Kavex ZEL that is not available for your system. "
    U"Please view the <a href='https://www.kavex.example/en/zel/system-requirements/'>system "
    U"requirements</a> for Kavex ZEL and update your system accordingly.";
constexpr char32_t kEnTitlePrefix[] = U"Installing ";
constexpr char32_t kEnUpdateNotAllowed[] =
    U"This application requires an update to Kavex ZEL but downloading that update on your system "
    U"is not allowed by your administrator. Please contact your administrator.";
}  // namespace

// Rows in table order; the index of a row is what the language choice yields. Texts by id:
// 0 runtime not found, 1 install failed, 2 OK, 3 Cancel, 4 please wait, 5 download failed,
// 6 download not valid, 7 verifying, 8 update not available (with a link), 9 title prefix,
// 10 update not allowed.
const MessageRow allMessages[kMessageRowCount] = {
    {"de",
     0x0407,
     {
         U"Diese Anwendung benötigt eine Version von Kavex ZEL, die nicht gefunden werden kann.\n"
         U"Bitte laden Sie die neueste Version der Laufzeitumgebung von folgender Adresse "
         U"herunter:\n"
         U"https://www.kavex.example/de/zel/download/,\n"
         U"oder wenden Sie sich an den Autor der Anwendung, um eine aktualisierte Version zu "
         U"erhalten.",
         U"Beim Installieren dieser Anwendung ist ein Fehler aufgetreten.\n"
         U"Bitte laden Sie die neueste Version von Kavex ZEL unter\n"
         U"https://www.kavex.example/de/zel/download/ herunter, installieren Sie sie und versuchen "
         U"Sie es dann erneut.",
         kOK,
         U"Abbrechen",
         U"Bitte warten.",
         U"Kavex ZEL konnte nicht heruntergeladen werden. Vergewissern Sie sich, dass Sie mit dem "
         U"Netzwerk verbunden sind, und versuchen Sie es erneut.",
         U"Die heruntergeladene Version von Kavex ZEL konnte nicht überprüft werden.\n"
         U"Bitte installieren Sie die neueste Version von Kavex ZEL, erhältlich unter\n"
         U"https://www.kavex.example/de/zel/download/,\n"
         U"und wiederholen Sie dann die Installation dieser Anwendung.",
         U"Download wird überprüft...",
         U"Diese Anwendung benötigt ein Update von Kavex ZEL, das für Ihr System nicht verfügbar "
         U"ist. Bitte lesen Sie die <a "
         U"href='https://www.kavex.example/de/zel/system-requirements/'>Systemanforderungen</a> "
         U"für Kavex ZEL und aktualisieren Sie Ihr System entsprechend.",
         U"Installation von ",
         U"Diese Anwendung benötigt ein Update von Kavex ZEL, aber Ihr Administrator hat das "
         U"Herunterladen dieses Updates auf Ihrem System nicht zugelassen. Bitte wenden Sie sich "
         U"an Ihren Administrator.",
     }},
    {"en",
     0x0409,
     {
         kEnRuntimeNotFound,
         kEnInstallFailed,
         kOK,
         kEnCancel,
         kEnPleaseWait,
         kEnDownloadFailed,
         kEnDownloadNotValid,
         kEnVerifying,
         kEnUpdateNotAvailable,
         kEnTitlePrefix,
         kEnUpdateNotAllowed,
     }},
    {"es",
     0x0C0A,
     {
         U"Esta aplicación necesita una versión de Kavex ZEL que no se encuentra.\n"
         U"Descargue la versión más reciente del entorno de ejecución desde\n"
         U"https://www.kavex.example/es/zel/download/,\n"
         U"o póngase en contacto con el autor de la aplicación para obtener una versión "
         U"actualizada.",
         U"Se ha producido un error al intentar instalar esta aplicación.\n"
         U"Instale la versión más reciente de Kavex ZEL desde\n"
         U"https://www.kavex.example/es/zel/download/ y vuelva a intentarlo.",
         U"Aceptar",
         kCancelar,
         U"Espere.",
         U"No se ha podido descargar Kavex ZEL. Asegúrese de que está conectado a la red y vuelva "
         U"a intentarlo.",
         U"No se ha podido validar la versión descargada de Kavex ZEL.\n"
         U"Instale la versión más reciente de Kavex ZEL desde\n"
         U"https://www.kavex.example/es/zel/download/,\n"
         U"y vuelva a intentar instalar esta aplicación.",
         U"Verificando la descarga...",
         U"Esta aplicación necesita una actualización de Kavex ZEL que no está disponible para su "
         U"sistema. Consulte los <a "
         U"href='https://www.kavex.example/es/zel/system-requirements/'>requisitos del sistema</a> "
         U"de Kavex ZEL y actualice su sistema en consecuencia.",
         U"Instalando ",
         U"Esta aplicación necesita una actualización de Kavex ZEL, pero su administrador no "
         U"permite descargar esa actualización en su sistema. Póngase en contacto con su "
         U"administrador.",
     }},
    {"fr",
     0x040C,
     {
         U"Cette application nécessite une version de Kavex ZEL introuvable.\n"
         U"Veuillez télécharger la dernière version du moteur d’exécution à l’adresse\n"
         U"https://www.kavex.example/fr/zel/download/,\n"
         U"ou contacter l’auteur de l’application pour obtenir une version à jour.",
         U"Un problème est survenu lors de l’installation de cette application.\n"
         U"Veuillez installer la dernière version de Kavex ZEL depuis\n"
         U"https://www.kavex.example/fr/zel/download/ puis réessayer.",
         kOK,
         U"Annuler",
         U"Veuillez patienter.",
         U"Impossible de télécharger Kavex ZEL. Vérifiez que vous êtes connecté au réseau, puis "
         U"réessayez.",
         U"Impossible de valider la version téléchargée de Kavex ZEL.\n"
         U"Veuillez installer la dernière version de Kavex ZEL depuis\n"
         U"https://www.kavex.example/fr/zel/download/,\n"
         U"puis relancer l’installation de cette application.",
         U"Téléchargement en cours de vérification...",
         U"Cette application nécessite une mise à jour de Kavex ZEL qui n’est pas disponible pour "
         U"votre système. Veuillez consulter la <a "
         U"href='https://www.kavex.example/fr/zel/system-requirements/'>configuration requise</a> "
         U"de Kavex ZEL et mettre votre système à jour en conséquence.",
         U"Installation en cours ",
         U"Cette application nécessite une mise à jour de Kavex ZEL, mais votre administrateur "
         U"n’autorise pas le téléchargement de cette mise à jour sur votre système. Veuillez "
         U"contacter votre administrateur.",
     }},
    {"it",
     0x0410,
     {
         U"Questa applicazione richiede una versione di Kavex ZEL che non è stata trovata.\n"
         U"Scaricate la versione più recente del runtime da\n"
         U"https://www.kavex.example/it/zel/download/,\n"
         U"oppure contattate l’autore dell’applicazione per ottenere una versione aggiornata.",
         U"Si è verificato un problema durante l’installazione di questa applicazione.\n"
         U"Installate la versione più recente di Kavex ZEL da\n"
         U"https://www.kavex.example/it/zel/download/ e riprovate.",
         kOK,
         U"Annulla",
         U"Attendete.",
         U"Impossibile scaricare Kavex ZEL. Verificate di essere connessi alla rete e riprovate.",
         U"Impossibile convalidare la versione scaricata di Kavex ZEL.\n"
         U"Installate la versione più recente di Kavex ZEL da\n"
         U"https://www.kavex.example/it/zel/download/,\n"
         U"quindi ripetete l’installazione di questa applicazione.",
         U"Verifica del download...",
         U"Questa applicazione richiede un aggiornamento di Kavex ZEL che non è disponibile per il "
         U"vostro sistema. Consultate i <a "
         U"href='https://www.kavex.example/it/zel/system-requirements/'>requisiti di sistema</a> "
         U"di Kavex ZEL e aggiornate il sistema di conseguenza.",
         U"Installazione ",
         U"Questa applicazione richiede un aggiornamento di Kavex ZEL, ma l’amministratore non "
         U"consente di scaricarlo sul vostro sistema. Contattate l’amministratore.",
     }},
    {"ja",
     0x0411,
     {
         U"このアプリケーションに必要なバージョンの Kavex ZEL が見つかりません。\n"
         U"ランタイムの最新バージョンを次の場所からダウンロードしてください:\n"
         U"https://www.kavex.example/ja/zel/download/、\n"
         U"または、アプリケーションの作成者に更新版をお問い合わせください。",
         U"このアプリケーションのインストール中に問題が発生しました。\n"
         U"Kavex ZEL の最新バージョンを\n"
         U"https://www.kavex.example/ja/zel/download/ "
         U"からインストールしてから、もう一度お試しください。",
         kOK,
         U"キャンセル",
         U"お待ちください。",
         U"Kavex ZEL "
         U"をダウンロードできません。ネットワークに接続されていることを確認してから、もう一度お試し"
         U"ください。",
         U"ダウンロードした Kavex ZEL を検証できません。\n"
         U"Kavex ZEL の最新バージョンを次の場所からインストールしてください:\n"
         U"https://www.kavex.example/ja/zel/download/、\n"
         U"その後、このアプリケーションのインストールをやり直してください。",
         U"ダウンロードを確認しています...",
         U"このアプリケーションには Kavex ZEL "
         U"のアップデートが必要ですが、お使いのシステムでは利用できません。Kavex ZEL の<a "
         U"href='https://www.kavex.example/ja/zel/system-requirements/'>システム要件</"
         U"a>を確認し、必要に応じてシステムをアップデートしてください。",
         U"インストール中：",
         U"このアプリケーションには Kavex ZEL "
         U"のアップデートが必要ですが、お使いのシステムへのアップデートのダウンロードは管理者によっ"
         U"て許可されていません。管理者にお問い合わせください。",
     }},
    {"ko",
     0x0412,
     {
         U"이 응용 프로그램에 필요한 버전의 Kavex ZEL을 찾을 수 없습니다.\n"
         U"다음 주소에서 최신 버전의 런타임을 다운로드하거나\n"
         U"https://www.kavex.example/ko/zel/download/,\n"
         U"응용 프로그램 작성자에게 업데이트된 버전을 문의하십시오.",
         U"이 응용 프로그램을 설치하는 중에 문제가 발생했습니다.\n"
         U"최신 버전의 Kavex ZEL을\n"
         U"https://www.kavex.example/ko/zel/download/ 에서 설치한 후 다시 시도하십시오.",
         U"확인",
         U"취소",
         U"잠시 기다려 주십시오.",
         U"Kavex ZEL을 다운로드할 수 없습니다. 네트워크에 연결되어 있는지 확인한 후 다시 "
         U"시도하십시오.",
         U"다운로드한 Kavex ZEL 버전의 유효성을 확인할 수 없습니다.\n"
         U"다음 주소에서 최신 버전의 Kavex ZEL을 설치한 후\n"
         U"https://www.kavex.example/ko/zel/download/,\n"
         U"이 응용 프로그램을 다시 설치하십시오.",
         U"다운로드 확인 중...",
         U"이 응용 프로그램에는 Kavex ZEL 업데이트가 필요하지만 사용 중인 시스템에서는 해당 "
         U"업데이트를 사용할 수 없습니다. Kavex ZEL의 <a "
         U"href='https://www.kavex.example/ko/zel/system-requirements/'>시스템 요구 사항</a>을 "
         U"확인하고 그에 맞게 시스템을 업데이트하십시오.",
         U"설치 중 ",
         U"이 응용 프로그램에는 Kavex ZEL 업데이트가 필요하지만 관리자가 이 시스템에서 해당 "
         U"업데이트의 다운로드를 허용하지 않았습니다. 관리자에게 문의하십시오.",
     }},
    {"pt",
     0x0416,
     {
         U"Este aplicativo requer uma versão do Kavex ZEL que não foi encontrada.\n"
         U"Baixe a versão mais recente do runtime em\n"
         U"https://www.kavex.example/pt-br/zel/download/,\n"
         U"ou entre em contato com o autor do aplicativo para obter uma versão atualizada.",
         U"Ocorreu um problema ao tentar instalar este aplicativo.\n"
         U"Instale a versão mais recente do Kavex ZEL em\n"
         U"https://www.kavex.example/pt-br/zel/download/ e tente novamente.",
         kOK,
         kCancelar,
         U"Aguarde.",
         U"Não foi possível baixar o Kavex ZEL. Verifique se você está conectado à rede e tente "
         U"novamente.",
         U"Não foi possível validar a versão baixada do Kavex ZEL.\n"
         U"Instale a versão mais recente do Kavex ZEL em\n"
         U"https://www.kavex.example/pt-br/zel/download/,\n"
         U"e tente instalar este aplicativo novamente.",
         U"Verificando o download...",
         U"Este aplicativo requer uma atualização do Kavex ZEL que não está disponível para o seu "
         U"sistema. Consulte os <a "
         U"href='https://www.kavex.example/pt-br/zel/system-requirements/'>requisitos do "
         U"sistema</a> do Kavex ZEL e atualize o seu sistema de acordo.",
         U"Instalando  ",
         U"Este aplicativo requer uma atualização do Kavex ZEL, mas o seu administrador não "
         U"permite o download dessa atualização no seu sistema. Entre em contato com o "
         U"administrador.",
     }},
    {"ru",
     0x0419,
     {
         U"Для этого приложения требуется версия Kavex ZEL, которую не удалось найти.\n"
         U"Загрузите последнюю версию среды выполнения с сайта\n"
         U"https://www.kavex.example/ru/zel/download/\n"
         U"или обратитесь к автору приложения за обновлённой версией.",
         U"При установке этого приложения произошла ошибка.\n"
         U"Установите последнюю версию Kavex ZEL с сайта\n"
         U"https://www.kavex.example/ru/zel/download/ и повторите попытку.",
         kOK,
         U"Отмена",
         U"Подождите...",
         U"Не удалось загрузить Kavex ZEL. Убедитесь, что компьютер подключён к сети, и повторите "
         U"попытку.",
         U"Не удалось проверить загруженную версию Kavex ZEL.\n"
         U"Установите последнюю версию Kavex ZEL с сайта\n"
         U"https://www.kavex.example/ru/zel/download/,\n"
         U"а затем повторите установку этого приложения.",
         U"Проверка загрузки...",
         U"Для этого приложения требуется обновление Kavex ZEL, которое недоступно для вашей "
         U"системы. Ознакомьтесь с <a "
         U"href='https://www.kavex.example/ru/zel/system-requirements/'>системными "
         U"требованиями</a> Kavex ZEL и обновите систему в соответствии с ними.",
         U"Установка...",
         U"Для этого приложения требуется обновление Kavex ZEL, однако администратор запретил "
         U"загружать это обновление в вашей системе. Обратитесь к администратору.",
     }},
    {"zh-Hans",
     0x0804,
     {
         U"未找到此应用程序所需的 Kavex ZEL 版本。\n"
         U"请从以下地址下载最新版本的运行时：\n"
         U"https://www.kavex.example/zh-cn/zel/download/，\n"
         U"或联系应用程序的作者获取更新的版本。",
         U"安装此应用程序时出现问题。\n"
         U"请从\n"
         U"https://www.kavex.example/zh-cn/zel/download/ 安装最新版本的 Kavex ZEL，然后重试。",
         U"确定",
         kChineseCancel,
         U"请稍候。",
         U"无法下载 Kavex ZEL。请确认您已连接到网络，然后重试。",
         U"无法验证已下载的 Kavex ZEL 版本。\n"
         U"请从以下地址安装最新版本的 Kavex ZEL：\n"
         U"https://www.kavex.example/zh-cn/zel/download/，\n"
         U"然后重新安装此应用程序。",
         U"正在验证下载...",
         U"此应用程序需要 Kavex ZEL 的更新，但该更新不适用于您的系统。请查看 Kavex ZEL 的<a "
         U"href='https://www.kavex.example/zh-cn/zel/system-requirements/'>系统要求</"
         U"a>，并相应地更新您的系统。",
         U"正在安装 ",
         U"此应用程序需要 Kavex ZEL "
         U"的更新，但您的管理员不允许在您的系统上下载该更新。请联系您的管理员。",
     }},
    {"zh-Hant",
     0x0404,
     {
         U"找不到此應用程式所需的 Kavex ZEL 版本。\n"
         U"請從以下網址下載最新版本的執行階段：\n"
         U"https://www.kavex.example/zh-tw/zel/download/，\n"
         U"或聯絡應用程式的作者以取得更新的版本。",
         U"安裝此應用程式時發生問題。\n"
         U"請從\n"
         U"https://www.kavex.example/zh-tw/zel/download/ 安裝最新版本的 Kavex ZEL，然後再試一次。",
         U"確定",
         kChineseCancel,
         U"請稍候。",
         U"無法下載 Kavex ZEL。請確認您已連線到網路，然後再試一次。",
         U"無法驗證已下載的 Kavex ZEL 版本。\n"
         U"請從以下網址安裝最新版本的 Kavex ZEL：\n"
         U"https://www.kavex.example/zh-tw/zel/download/，\n"
         U"然後重新安裝此應用程式。",
         U"正在驗證下載...",
         U"此應用程式需要 Kavex ZEL 的更新，但該更新不適用於您的系統。請檢視 Kavex ZEL 的<a "
         U"href='https://www.kavex.example/zh-tw/zel/system-requirements/'>系統需求</"
         U"a>，並據此更新您的系統。",
         U"正在安裝  ",
         U"此應用程式需要 Kavex ZEL "
         U"的更新，但您的管理員不允許在您的系統上下載該更新。請與您的管理員聯絡。",
     }},
    {"cs",
     0x0405,
     {
         U"Tato aplikace vyžaduje verzi Kavex ZEL, kterou nelze najít.\n"
         U"Stáhněte si nejnovější verzi běhového prostředí z adresy\n"
         U"https://www.kavex.example/cs/zel/download/\n"
         U"nebo požádejte autora aplikace o aktualizovanou verzi.",
         U"Při instalaci této aplikace došlo k chybě.\n"
         U"Nainstalujte nejnovější verzi Kavex ZEL z adresy\n"
         U"https://www.kavex.example/cs/zel/download/ a zkuste to znovu.",
         kOK,
         U"Zrušit",
         U"Počkejte prosím.",
         U"Kavex ZEL nelze stáhnout. Zkontrolujte, zda jste připojeni k síti, a zkuste to znovu.",
         U"Staženou verzi Kavex ZEL nelze ověřit.\n"
         U"Nainstalujte nejnovější verzi Kavex ZEL z adresy\n"
         U"https://www.kavex.example/cs/zel/download/\n"
         U"a poté zkuste tuto aplikaci nainstalovat znovu.",
         U"Ověřování stažení...",
         U"Tato aplikace vyžaduje aktualizaci Kavex ZEL, která pro váš systém není k dispozici. "
         U"Prohlédněte si <a "
         U"href='https://www.kavex.example/cs/zel/system-requirements/'>systémové požadavky</a> "
         U"Kavex ZEL a podle nich svůj systém aktualizujte.",
         U"Instalace… ",
         U"Tato aplikace vyžaduje aktualizaci Kavex ZEL, ale správce nepovoluje stažení této "
         U"aktualizace do vašeho systému. Obraťte se na svého správce.",
     }},
    {"nl",
     0x0413,
     {
         U"Voor deze toepassing is een versie van Kavex ZEL vereist die niet kan worden gevonden.\n"
         U"Download de nieuwste versie van de runtime via\n"
         U"https://www.kavex.example/nl/zel/download/\n"
         U"of neem contact op met de maker van de toepassing voor een bijgewerkte versie.",
         U"Er is iets misgegaan bij het installeren van deze toepassing.\n"
         U"Installeer de nieuwste versie van Kavex ZEL via\n"
         U"https://www.kavex.example/nl/zel/download/ en probeer het daarna opnieuw.",
         kOK,
         U"Annuleren",
         U"Een ogenblik geduld...",
         U"Kavex ZEL kan niet worden gedownload. Controleer of u verbinding hebt met het netwerk "
         U"en probeer het opnieuw.",
         U"De gedownloade versie van Kavex ZEL kan niet worden gevalideerd.\n"
         U"Installeer de nieuwste versie van Kavex ZEL via\n"
         U"https://www.kavex.example/nl/zel/download/\n"
         U"en probeer deze toepassing daarna opnieuw te installeren.",
         U"Download controleren...",
         U"Voor deze toepassing is een update van Kavex ZEL vereist die niet beschikbaar is voor "
         U"uw systeem. Bekijk de <a "
         U"href='https://www.kavex.example/nl/zel/system-requirements/'>systeemvereisten</a> van "
         U"Kavex ZEL en werk uw systeem dienovereenkomstig bij.",
         U"Installeren…",
         U"Voor deze toepassing is een update van Kavex ZEL vereist, maar uw beheerder staat niet "
         U"toe dat die update op uw systeem wordt gedownload. Neem contact op met uw beheerder.",
     }},
    {"pl",
     0x0415,
     {
         U"Ta aplikacja wymaga wersji Kavex ZEL, której nie można znaleźć.\n"
         U"Pobierz najnowszą wersję środowiska uruchomieniowego ze strony\n"
         U"https://www.kavex.example/pl/zel/download/\n"
         U"lub skontaktuj się z autorem aplikacji w sprawie zaktualizowanej wersji.",
         U"Podczas instalowania tej aplikacji wystąpił problem.\n"
         U"Zainstaluj najnowszą wersję Kavex ZEL ze strony\n"
         U"https://www.kavex.example/pl/zel/download/ i spróbuj ponownie.",
         kOK,
         U"Anuluj",
         U"Czekaj.",
         U"Nie można pobrać Kavex ZEL. Upewnij się, że masz połączenie z siecią, i spróbuj "
         U"ponownie.",
         U"Nie można zweryfikować pobranej wersji Kavex ZEL.\n"
         U"Zainstaluj najnowszą wersję Kavex ZEL ze strony\n"
         U"https://www.kavex.example/pl/zel/download/,\n"
         U"a następnie ponów instalację tej aplikacji.",
         U"Sprawdzanie poprawności pobranego pliku...",
         U"Ta aplikacja wymaga aktualizacji Kavex ZEL, która nie jest dostępna dla Twojego "
         U"systemu. Zapoznaj się z <a "
         U"href='https://www.kavex.example/pl/zel/system-requirements/'>wymaganiami "
         U"systemowymi</a> Kavex ZEL i odpowiednio zaktualizuj system.",
         U"Instalowanie ",
         U"Ta aplikacja wymaga aktualizacji Kavex ZEL, ale administrator nie zezwala na pobranie "
         U"tej aktualizacji w Twoim systemie. Skontaktuj się z administratorem.",
     }},
    {"sv",
     0x041D,
     {
         U"Det här programmet kräver en version av Kavex ZEL som inte kan hittas.\n"
         U"Hämta den senaste versionen av körmiljön från\n"
         U"https://www.kavex.example/sv/zel/download/\n"
         U"eller kontakta programmets utvecklare för att få en uppdaterad version.",
         U"Något gick fel när programmet skulle installeras.\n"
         U"Installera den senaste versionen av Kavex ZEL från\n"
         U"https://www.kavex.example/sv/zel/download/ och försök sedan igen.",
         kOK,
         U"Avbryt",
         U"Vänta.",
         U"Det gick inte att hämta Kavex ZEL. Kontrollera att du är ansluten till nätverket och "
         U"försök igen.",
         U"Det gick inte att verifiera den hämtade versionen av Kavex ZEL.\n"
         U"Installera den senaste versionen av Kavex ZEL från\n"
         U"https://www.kavex.example/sv/zel/download/\n"
         U"och försök sedan installera programmet igen.",
         U"Verifierar hämtning...",
         U"Det här programmet kräver en uppdatering av Kavex ZEL som inte finns för ditt system. "
         U"Läs <a href='https://www.kavex.example/sv/zel/system-requirements/'>systemkraven</a> "
         U"för Kavex ZEL och uppdatera ditt system därefter.",
         U"Installerar  ",
         U"Det här programmet kräver en uppdatering av Kavex ZEL, men din administratör tillåter "
         U"inte att uppdateringen hämtas till ditt system. Kontakta din administratör.",
     }},
    {"tr",
     0x041F,
     {
         U"Bu uygulamanın gerektirdiği Kavex ZEL sürümü bulunamadı.\n"
         U"Çalışma zamanının en son sürümünü şu adresten indirin:\n"
         U"https://www.kavex.example/tr/zel/download/,\n"
         U"ya da güncel bir sürüm için uygulamanın yazarıyla iletişime geçin.",
         U"Bu uygulama yüklenirken bir sorun oluştu.\n"
         U"Kavex ZEL'in en son sürümünü\n"
         U"https://www.kavex.example/tr/zel/download/ adresinden yükleyip yeniden deneyin.",
         kOK,
         U"İptal",
         U"Lütfen bekleyin.",
         U"Kavex ZEL indirilemedi. Ağa bağlı olduğunuzdan emin olun ve yeniden deneyin.",
         U"Kavex ZEL'in indirilen sürümü doğrulanamadı.\n"
         U"Kavex ZEL'in en son sürümünü şu adresten yükleyin:\n"
         U"https://www.kavex.example/tr/zel/download/,\n"
         U"ardından bu uygulamayı yeniden yüklemeyi deneyin.",
         U"İndirme doğrulanıyor...",
         U"Bu uygulama, sisteminiz için kullanılamayan bir Kavex ZEL güncellemesi gerektiriyor. "
         U"Lütfen Kavex ZEL <a href='https://www.kavex.example/tr/zel/system-requirements/'>sistem "
         U"gereksinimlerini</a> inceleyin ve sisteminizi buna göre güncelleyin.",
         U"Yükleniyor ",
         U"Bu uygulama bir Kavex ZEL güncellemesi gerektiriyor, ancak yöneticiniz bu güncellemenin "
         U"sisteminize indirilmesine izin vermiyor. Lütfen yöneticinizle iletişime geçin.",
     }},
    // The default row: no tag, never compared; the English texts.
    {"",
     0,
     {
         kEnRuntimeNotFound,
         kEnInstallFailed,
         kOK,
         kEnCancel,
         kEnPleaseWait,
         kEnDownloadFailed,
         kEnDownloadNotValid,
         kEnVerifying,
         kEnUpdateNotAvailable,
         kEnTitlePrefix,
         kEnUpdateNotAllowed,
     }},
};

}  // namespace moorstep
