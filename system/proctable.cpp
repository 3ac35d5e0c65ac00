// The procedure table's rows, in slot order, and getproc.
#include "system/proctable.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "commands/define.h"
#include "commands/find.h"
#include "render/drawroutines.h"
#include "fields/fieldrecords.h"
#include "engine/indent.h"
#include "engine/keywords.h"
#include "engine/numbers.h"
#include "render/pictbuffers.h"
#include "fields/fieldscroll.h"
#include "fields/fieldview.h"
#include "fields/listfields.h"
#include "media/mediaservice.h"
#include "media/sounds.h"
#include "media/speechrecog.h"
#include "media/tunes.h"
#include "platform/runtime/root.h"
#include "properties/picturedata.h"
#include "properties/picturesettings.h"
#include "properties/propservices.h"
#include "properties/userprops.h"
#include "render/behindcolour.h"
#include "render/buttoncontrols.h"
#include "render/carddrawing.h"
#include "render/drawprocs.h"
#include "render/fielddrawing.h"
#include "render/filterlist.h"
#include "render/graphicdrawing.h"
#include "render/hittest.h"
#include "render/objectbounds.h"
#include "render/picturecache.h"
#include "render/spotgeometry.h"
#include "render/windowclip.h"
#include "render/windowupkeep.h"
#include "shell/cardscroll.h"
#include "system/appleevents.h"
#include "system/programtargets.h"
#include "shell/cardwindow.h"
#include "shell/customframe.h"
#include "core/dialogs.h"
#include "shell/dialogutils.h"
#include "shell/eventqueue.h"
#include "shell/listnavigation.h"
#include "shell/menus.h"
#include "shell/redraws.h"
#include "shell/resourcedialogs.h"
#include "shell/textentry.h"
#include "shell/windowmanage.h"
#include "shell/windtable.h"
#include "core/memoryguard.h"
#include "store/objects.h"
#include "store/packing.h"
#include "store/recordcache.h"
#include "store/starfile.h"
#include "system/externalevents.h"
#include "system/filelocation.h"
#include "system/getpicture.h"
#include "system/xcallback.h"
#include "textengine/fieldstorage.h"
#include "textengine/objecthandlers.h"
#include "textengine/textpane.h"
#include "textengine/weinternal.h"
#include "tools/dragsend.h"
#include "tools/dragtrack.h"
#include "tools/paint.h"
#include "tools/paintsession.h"
#include "tools/services.h"
#include "tools/toolmessages.h"

namespace kv {

namespace {

// A row holds its routine's address through a function of its own, so that the rows stay
// constant data, checked when the program is built.
template <i16 N, procroutine<N> F>
u64 addressof() {
  return u64(reinterpret_cast<std::uintptr_t>(F));
}

template <i16 N>
constexpr ProcRow unbuilt(ProcKind kind, const char* name) {
  return ProcRow{N, kind, name, nullptr};
}

template <i16 N, procroutine<N> F>
constexpr ProcRow routine(ProcKind kind, const char* name) {
  return ProcRow{N, kind, name, &addressof<N, F>};
}

// A row whose routine is built, one whose routine is not built yet, and one of the system
// library.
#define KV_ROUTINE(slot, kind, name) routine<slot, name>(ProcKind::kind, #name)
#define KV_UNBUILT(slot, kind, name) unbuilt<slot>(ProcKind::kind, #name)
#define KV_LIBRARY(slot, name) routine<slot, std::name>(ProcKind::library, #name)

constexpr ProcRow kRows[] = {
    // Dialog filters, drawing callbacks.
    KV_ROUTINE(9, modalfilter, PdialogRTviewproc),
    KV_ROUTINE(10, modalfilter, PdialogRTmystdialog),
    KV_UNBUILT(11, controlaction, PdialogRTtxtscroll),
    KV_ROUTINE(12, colorsearch, PdrawRTmatchproc),
    KV_ROUTINE(13, qdrect, PdrawRTfakeback),
    KV_ROUTINE(14, modalfilter, PdialogMPstdialog),
    // The bottlenecks that turn a picture into objects.
    KV_UNBUILT(19, qdtext, PscrapRTgathertext),
    KV_UNBUILT(20, qdline, PscrapRTgatherline),
    KV_UNBUILT(21, qdrect, PscrapRTgatherect),
    KV_UNBUILT(22, qdrrect, PscrapRTgatheround),
    KV_UNBUILT(23, qdoval, PscrapRTgatheroval),
    KV_UNBUILT(24, qdarc, PscrapRTgatherarc),
    KV_UNBUILT(25, qdpoly, PscrapRTgatherpoly),
    KV_UNBUILT(26, qdregion, PscrapRTgathergn),
    KV_UNBUILT(27, qdbits, PscrapRTgatherbits),
    KV_UNBUILT(28, qdcomment, PscrapRTgathercom),
    KV_UNBUILT(29, qdbits, PscrapRTgrabits),
    KV_ROUTINE(30, drawhook, PmainRTdrawgrouproc),
    KV_ROUTINE(32, controlaction, PcreateRTcontrollscroll),
    KV_ROUTINE(33, controlaction, PeditRTscrollcard),
    KV_ROUTINE(34, highlighthook, PfindRTmyhook),
    KV_ROUTINE(36, colorsearch, PpaintRTmatchproc),
    KV_ROUTINE(37, qdcomment, PpaintRTgathercom),
    // Apple events.
    KV_ROUTINE(39, aehandler, Psys7RTwildwild),
    KV_ROUTINE(40, aecoercion, Psys7RTfsspectotext),
    KV_ROUTINE(41, aecoercion, Psys7RTtextotarg),
    KV_ROUTINE(42, aecoercion, Psys7RTtargtotext),
    KV_ROUTINE(43, aeidle, Psys7RTidleproc),
    KV_ROUTINE(44, aefilter, Psys7RTeventproc),
    KV_ROUTINE(47, soundcallback, PsndRTcallproc),
    KV_ROUTINE(48, soundcallback, PsndRTbackproc),
    KV_ROUTINE(56, modalfilter, PcomaRTlistdlog),
    KV_UNBUILT(57, modalfilter, PtransMPpassfilter),
    KV_ROUTINE(58, plain, PtoolsRTfalseproc),
    // Dialog user items.
    KV_UNBUILT(61, useritem, PfileRTcopyrightproc),
    KV_UNBUILT(62, useritem, PdialogRTdialoguseraction),
    KV_UNBUILT(63, useritem, PdialogRTdrawBox),
    KV_UNBUILT(64, useritem, PdialogRTdrawDblLine),
    KV_UNBUILT(65, useritem, PdialogRTdrawGrayLine),
    KV_UNBUILT(66, useritem, PdialogRTdrawModalBox),
    KV_UNBUILT(67, useritem, PdialogRTdrawGrayBox),
    KV_UNBUILT(68, useritem, PdialogRTdrawGrayLineBox),
    KV_ROUTINE(69, qdbits, PpdataRTstdbitsproc),
    KV_ROUTINE(70, plain, PmovieRTmoovcallback),
    // The record cache.
    KV_ROUTINE(71, service, addvir),
    KV_ROUTINE(72, service, getvir),
    KV_ROUTINE(73, service, changevir),
    KV_ROUTINE(74, service, putvir),
    KV_ROUTINE(75, service, deletevir),
    KV_ROUTINE(76, service, namevir),
    KV_ROUTINE(77, service, savevir),
    KV_ROUTINE(78, service, nomemory),
    // Object services.
    KV_ROUTINE(80, service, imagedit),
    KV_ROUTINE(81, service, xkv4indent),
    KV_ROUTINE(82, service, drawspot),
    KV_ROUTINE(83, service, ptinspot),
    KV_UNBUILT(84, service, createdrawrect),
    KV_UNBUILT(85, service, createdrawline),
    KV_UNBUILT(86, service, createdrawpoly),
    KV_UNBUILT(87, service, createdrawfree),
    KV_UNBUILT(88, service, createdrawarc),
    KV_UNBUILT(89, service, createbutrect),
    KV_UNBUILT(90, service, createbutpoly),
    KV_UNBUILT(91, service, createfieldrect),
    KV_UNBUILT(92, service, createdrawtext),
    KV_ROUTINE(93, service, openvir),
    KV_ROUTINE(94, service, closevir),
    KV_ROUTINE(95, service, revertvir),
    KV_ROUTINE(96, service, testvir),
    KV_ROUTINE(97, service, sizevir),
    KV_ROUTINE(98, service, clearvir),
    KV_ROUTINE(99, service, islocked),
    KV_ROUTINE(100, service, nodiskspace),
    // The project store.
    KV_ROUTINE(101, service, createstar),
    KV_ROUTINE(102, service, deletestar),
    KV_ROUTINE(103, service, openstar),
    KV_ROUTINE(104, service, closestar),
    KV_ROUTINE(105, service, compactstar),
    KV_ROUTINE(106, service, flushstar),
    KV_ROUTINE(107, service, totalstar),
    KV_ROUTINE(108, service, sizestar),
    KV_ROUTINE(109, service, getstar),
    KV_ROUTINE(110, service, namestar),
    KV_ROUTINE(111, service, savestar),
    KV_ROUTINE(112, service, addstar),
    KV_ROUTINE(113, service, delstar),
    KV_ROUTINE(114, service, destview),
    KV_ROUTINE(115, service, backspot),
    KV_UNBUILT(116, service, getdepth),
    KV_ROUTINE(118, service, drawread),
    KV_ROUTINE(119, service, readisfield),
    KV_ROUTINE(120, service, putdownfield),
    KV_UNBUILT(121, service, pictospot),
    KV_ROUTINE(122, service, dumpspot),
    // The system library.
    KV_ROUTINE(123, library, mysprintf),
    KV_LIBRARY(124, malloc),
    KV_LIBRARY(125, calloc),
    KV_LIBRARY(126, realloc),
    KV_LIBRARY(127, free),
    KV_LIBRARY(128, atof),
    KV_LIBRARY(129, strtod),
    KV_LIBRARY(130, atoi),
    KV_LIBRARY(131, atol),
    KV_LIBRARY(132, strtol),
    KV_LIBRARY(133, strtoul),
    KV_LIBRARY(134, bsearch),
    KV_ROUTINE(135, library, mysscanf),
    KV_LIBRARY(136, acos),
    KV_LIBRARY(137, asin),
    KV_LIBRARY(138, atan),
    KV_LIBRARY(139, atan2),
    KV_LIBRARY(140, cos),
    KV_LIBRARY(141, sin),
    KV_LIBRARY(142, tan),
    KV_LIBRARY(143, cosh),
    KV_LIBRARY(144, sinh),
    KV_LIBRARY(145, tanh),
    KV_LIBRARY(146, exp),
    KV_LIBRARY(147, frexp),
    KV_LIBRARY(148, ldexp),
    KV_LIBRARY(149, log),
    KV_LIBRARY(150, log10),
    KV_LIBRARY(151, modf),
    KV_LIBRARY(152, pow),
    KV_LIBRARY(153, sqrt),
    KV_LIBRARY(154, ceil),
    KV_LIBRARY(155, fabs),
    KV_LIBRARY(156, floor),
    KV_LIBRARY(157, fmod),
    KV_LIBRARY(158, qsort),
    KV_LIBRARY(159, rand),
    KV_LIBRARY(160, srand),
    KV_LIBRARY(161, clock),
    KV_LIBRARY(162, difftime),
    KV_LIBRARY(163, mktime),
    KV_LIBRARY(164, time),
    KV_LIBRARY(165, asctime),
    KV_LIBRARY(166, ctime),
    KV_LIBRARY(167, gmtime),
    KV_LIBRARY(168, strftime),
    // The icon chooser and the property dialog.
    KV_ROUTINE(169, modalfilter, PdialogRTfiltericon),
    KV_ROUTINE(170, controlaction, PdialogRTiconscroll),
    KV_ROUTINE(171, modalfilter, PdialogRTfilterprop),
    KV_ROUTINE(172, controlaction, PdialogRTupropscroll),
    KV_ROUTINE(173, plain, PdialogRTautotext),
    KV_ROUTINE(174, service, dumpfield),
    KV_ROUTINE(175, service, getpicture),
    KV_ROUTINE(176, service, mapspot),
    KV_ROUTINE(177, service, calcspot),
    KV_ROUTINE(178, service, drawedit),
    KV_ROUTINE(179, service, forcelistload),
    KV_ROUTINE(180, service, lowsetpicturedata),
    KV_ROUTINE(181, service, PcreateRTweautotext),
    KV_ROUTINE(182, service, westupidtext),
    KV_ROUTINE(183, service, wepacktext),
    // The text engine.
    KV_ROUTINE(184, service, WENew),
    KV_ROUTINE(185, service, WEDispose),
    KV_ROUTINE(186, service, WEUpdate),
    KV_ROUTINE(187, service, WECalText),
    KV_ROUTINE(188, service, WEUseText),
    KV_ROUTINE(189, service, WEActivate),
    KV_ROUTINE(190, service, WEDeactivate),
    KV_ROUTINE(191, service, WEGetSelection),
    KV_ROUTINE(192, service, WESetSelection),
    KV_ROUTINE(193, service, WEKey),
    KV_ROUTINE(194, service, WEInsert),
    KV_ROUTINE(195, service, WESetStyle),
    KV_ROUTINE(196, service, WECut),
    KV_ROUTINE(197, service, WECopy),
    KV_ROUTINE(198, service, WECopyRange),
    KV_ROUTINE(199, service, WEPaste),
    KV_ROUTINE(200, service, WECanPaste),
    KV_ROUTINE(201, service, WEDelete),
    KV_ROUTINE(202, service, WEUseStyleScrap),
    KV_ROUTINE(203, service, WEOffsetToLine),
    KV_ROUTINE(204, service, WEGetOffset),
    KV_ROUTINE(205, service, WEGetPoint),
    KV_ROUTINE(206, service, WEScroll),
    KV_ROUTINE(207, service, WESelView),
    KV_ROUTINE(208, service, WEGetHeight),
    KV_ROUTINE(209, service, WEGetTextLength),
    KV_ROUTINE(210, service, WEGetChar),
    KV_ROUTINE(211, service, WECountLines),
    KV_ROUTINE(213, service, WEVersion),
    KV_ROUTINE(214, service, WEBuildFontTable),
    KV_ROUTINE(215, service, WEUpdateFontTable),
    KV_ROUTINE(216, service, WEUpdateStyleScrap),
    KV_ROUTINE(217, service, WEFindWord),
    KV_ROUTINE(218, service, WEFindLine),
    KV_ROUTINE(219, service, WEFindParagraph),
    KV_ROUTINE(220, service, WECharByte),
    KV_ROUTINE(221, service, WECharType),
    KV_ROUTINE(222, service, WEClick),
    KV_ROUTINE(223, service, WEIsActive),
    KV_ROUTINE(224, library, myvsprintf),
    KV_ROUTINE(225, library, myvsscanf),
    // Dialogs, files and object services.
    KV_ROUTINE(226, service, xanswer),
    KV_ROUTINE(227, service, xask),
    KV_ROUTINE(228, service, xrunlist),
    KV_ROUTINE(229, service, xanswerfile),
    KV_ROUTINE(230, service, xanswerfolder),
    KV_ROUTINE(231, service, getpath),
    KV_UNBUILT(233, service, importimage),
    KV_ROUTINE(234, service, getcachepicture),
    KV_ROUTINE(235, service, lowdefine),
    KV_ROUTINE(236, service, lowuserprop),
    KV_ROUTINE(237, service, lowuserpropidx),
    KV_ROUTINE(238, service, lowuserprophand),
    KV_ROUTINE(239, service, lowsetuserprop),
    KV_ROUTINE(240, service, lowsetuserpropidx),
    KV_ROUTINE(241, service, objectcursor),
    KV_ROUTINE(242, service, proputil),
    KV_ROUTINE(243, service, proputilidx),
    KV_ROUTINE(244, service, prophandutil),
    KV_ROUTINE(245, service, prophandutilidx),
    KV_ROUTINE(246, service, propuserutil),
    KV_ROUTINE(247, service, modproperty),
    KV_ROUTINE(248, service, modpropertyidx),
    KV_ROUTINE(249, service, lowmovepicturedata),
    KV_ROUTINE(250, service, shufflepicture),
    KV_ROUTINE(251, service, shuffleuprops),
    KV_ROUTINE(252, service, comodproperty),
    KV_UNBUILT(253, service, setgroup),
    KV_UNBUILT(254, service, setungroup),
    KV_ROUTINE(255, service, stringtodouble),
    KV_ROUTINE(256, service, doubletostring),
    KV_UNBUILT(257, service, findrez),
    KV_UNBUILT(258, service, lowrez),
    KV_ROUTINE(259, service, sendxrtnevent),
    KV_ROUTINE(260, service, killpictbuffer),
    KV_ROUTINE(261, service, stringtotoken),
    KV_ROUTINE(263, service, updatewindow),
    KV_ROUTINE(264, service, redrawbehind),
    KV_ROUTINE(265, modalfilter, PdialogRTstdialog),
    KV_UNBUILT(266, controlaction, PtoolRTtrackbtn),
    KV_ROUTINE(267, controlcolor, Pfindbehindcolor),
    KV_ROUTINE(270, plain, PtuneRTcallproc),
    KV_UNBUILT(274, timer, spincursor),
    KV_ROUTINE(275, plain, PxcmdRTcallback),
    KV_ROUTINE(277, service, WEGetInfo),
    KV_ROUTINE(278, service, WESetInfo),
    KV_ROUTINE(279, service, WESetDestRect),
    KV_ROUTINE(280, service, WESetViewRect),
    KV_ROUTINE(281, service, pack),
    KV_ROUTINE(282, service, unpack),
    KV_ROUTINE(283, service, getsize),
    KV_ROUTINE(285, colorsearch, bwmatchproc),
    KV_UNBUILT(286, carbonevent, dontActivateProc),
    KV_ROUTINE(288, windowdefinition, widget),
    KV_ROUTINE(289, plain, _WEDontErase),
    KV_ROUTINE(290, qdrect, PdrawRTsanitycheckedrectproc),
    KV_ROUTINE(291, iconaction, DetachSuiteMembers),
    KV_ROUTINE(292, navevent, naveventproc),
    KV_UNBUILT(293, carbonevent, mySheetHandler),
    KV_UNBUILT(294, navevent, askusernaveventproc),
    KV_UNBUILT(295, plain, interceptqtvr),
    KV_UNBUILT(296, plain, enteringnode),
    KV_UNBUILT(297, plain, leavingnode),
    KV_UNBUILT(298, plain, mouseoverhotspot),
    KV_ROUTINE(299, aehandler, speechdone),
    // Text panes, drags.
    KV_ROUTINE(300, panedraw, TPPaneDrawProc),
    KV_ROUTINE(301, panehittest, TPPaneHitTestProc),
    KV_ROUTINE(302, panetracking, TPPaneTrackingProc),
    KV_ROUTINE(303, paneidle, TPPaneIdleProc),
    KV_ROUTINE(304, panekeydown, TPPaneKeyDownProc),
    KV_ROUTINE(305, paneactivate, TPPaneActivateProc),
    KV_ROUTINE(306, panefocus, TPPaneFocusProc),
    KV_ROUTINE(307, teclickloop, TPTEClickLoopProc),
    KV_ROUTINE(308, controlaction, TPScrollActionProc),
    KV_ROUTINE(309, dragtracking, MyDefaultTrackingHandler),
    KV_ROUTINE(310, dragreceive, MyDefaultReceiveHandler),
    KV_ROUTINE(311, dragsend, MySendTextDataProc),
    KV_ROUTINE(312, dragsend, MySendSpotDataProc),
    // The text engine's inline input, hooks and drags.
    KV_ROUTINE(313, aehandler, _WEHandleUpdateActiveInputArea),
    KV_ROUTINE(314, aehandler, _WEHandlePositionToOffset),
    KV_ROUTINE(315, aehandler, _WEHandleOffsetToPosition),
    KV_ROUTINE(316, aehandler, _WEHandleGetSelectedText),
    KV_ROUTINE(320, segmentdirection, GetSegmentDirection),
    KV_ROUTINE(321, dragsend, _WESendFlavor),
    KV_ROUTINE(322, unicodefallback, _WEUnicodeToTextFallbackProc),
    KV_ROUTINE(323, tehook, _WEStdDrawText),
    KV_ROUTINE(324, tehook, _WEStdPixelToChar),
    KV_ROUTINE(325, tehook, _WEStdCharToPixel),
    KV_ROUTINE(326, tehook, _WEStdLineBreak),
    KV_ROUTINE(327, tehook, _WERomanLineBreak),
    KV_ROUTINE(328, tehook, _WEStdWordBreak),
    KV_ROUTINE(329, tehook, _WEStdCharByte),
    KV_ROUTINE(330, tehook, _WEStdCharType),
    KV_ROUTINE(331, tehook, _WEStdClickLoop),
    KV_ROUTINE(332, tehook, _WEStdHiliteDropArea),
    KV_ROUTINE(333, tehook, _WEStdErase),
    KV_ROUTINE(334, tehook, _WEStdDrawTSMHilite),
    KV_ROUTINE(335, carbonevent, PeditRTHandleWindowMenuZooms),
    KV_ROUTINE(336, carbonevent, PeditRTRedrawScrollbarsAfterExpand),
    KV_ROUTINE(338, service, ldestview),
    KV_ROUTINE(339, service, WEFeatureFlag),
    KV_ROUTINE(340, service, WESetAlignment),
    // The window layout routines.
    KV_ROUTINE(341, service, lowclipup),
    KV_ROUTINE(342, service, lowclipdown),
    KV_ROUTINE(343, service, lowfixbar),
    KV_ROUTINE(344, service, lowrectbar),
    KV_ROUTINE(345, service, lowgetinterior),
    KV_UNBUILT(349, carbonevent, PeditRThandlemousewheelproc),
    KV_ROUTINE(350, carbonevent, PappRTDockMenuHandlerProc),
    KV_ROUTINE(351, plain, PscriRTautoindentproc),
    KV_ROUTINE(352, modalfilter, PdialogRTfilterfilter),
    KV_ROUTINE(353, qdrect, PdrawRTdonteraserectproc),
    KV_ROUTINE(354, qdregion, PdrawRTdonterasergnproc),
    KV_ROUTINE(355, carbonevent, PcopyRThandlegetservicetypesproc),
    KV_ROUTINE(356, carbonevent, PcopyRThandleservicecopyproc),
    KV_ROUTINE(357, carbonevent, PcopyRThandleservicepasteproc),
    // The text engine's object handlers: pictures, TIFF images, embedded objects.
    KV_ROUTINE(358, objectnew, HandleNewPicture),
    KV_ROUTINE(359, objectdispose, HandleDisposePicture),
    KV_ROUTINE(360, objectdraw, HandleDrawPicture),
    KV_ROUTINE(361, objectstream, HandleStreamPicture),
    KV_ROUTINE(362, objectclick, HandleClickPicture),
    KV_ROUTINE(363, objectnew, HandleNewTIFF),
    KV_ROUTINE(364, objectdispose, HandleDisposeTIFF),
    KV_ROUTINE(365, objectdraw, HandleDrawTIFF),
    KV_ROUTINE(366, objectnew, HandleNewIota),
    KV_ROUTINE(367, objectdispose, HandleDisposeIota),
    KV_ROUTINE(368, objectdraw, HandleDrawIota),
    KV_ROUTINE(369, objectstream, HandleStreamIota),
    KV_ROUTINE(370, objectclick, HandleClickIota),
    // The text engine's tab hooks.
    KV_ROUTINE(383, tehook, _WETabDrawText),
    KV_ROUTINE(384, tehook, _WETabPixelToChar),
    KV_ROUTINE(385, tehook, _WETabCharToPixel),
    KV_ROUTINE(386, tehook, _WETabLineBreak),
    KV_ROUTINE(388, carbonevent, PeditRTRedrawForLiveResize),
    KV_UNBUILT(391, carbonevent, PcomaRTasklistmousewheelproc),
    KV_ROUTINE(392, listsearch, PlistRTasklistmatchproc),
    KV_ROUTINE(393, plain, PobjRTwescrollcallbackproc),
    KV_UNBUILT(394, modalfilter, PcomaRTPPCdlog),
    KV_ROUTINE(395, carbonevent, PappRTExpandCollapseWindowProc),
    KV_ROUTINE(396, service, westupidertext),
    KV_ROUTINE(397, service, wenewpacktext),
    KV_ROUTINE(398, service, GetWERecDirtyFlag),
    KV_ROUTINE(399, service, SetWERecDirtyFlag),
    KV_UNBUILT(400, service, putdownspotwerec),
    KV_ROUTINE(401, listdefinition, MyListDefinition),
    // The text engine: streams, objects, properties and user info.
    KV_ROUTINE(402, service, WEStreamRange),
    KV_ROUTINE(403, service, WEPut),
    KV_ROUTINE(404, service, WEInsertObject),
    KV_ROUTINE(405, service, WEGetObjectAtOffset),
    KV_ROUTINE(406, service, WEGetSelectedObject),
    KV_ROUTINE(407, service, WEGetObjectOffset),
    KV_ROUTINE(408, service, WEGetObjectRefCon),
    KV_ROUTINE(409, service, WESetObjectRefCon),
    KV_ROUTINE(410, service, WEGetObjectProperty),
    KV_ROUTINE(411, service, WESetObjectProperty),
    KV_ROUTINE(412, service, WERemoveObjectProperty),
    KV_ROUTINE(413, service, WEGetObjectFrame),
    KV_ROUTINE(414, service, WEGetObjectBaseline),
    KV_ROUTINE(415, service, WESetObjectBaseline),
    KV_ROUTINE(416, service, WEGetObjectSize),
    KV_ROUTINE(417, service, WESetObjectSize),
    KV_ROUTINE(418, service, WESetObjectPlacement),
    KV_ROUTINE(419, service, WEGetObjectOwner),
    KV_ROUTINE(420, service, WEGetObjectType),
    KV_ROUTINE(421, service, WEFindNextObject),
    KV_ROUTINE(422, service, WEFindPreviousObject),
    KV_ROUTINE(423, service, WEGetObjectDataHandle),
    KV_ROUTINE(424, service, WEGetProperty),
    KV_ROUTINE(425, service, WESetProperty),
    KV_ROUTINE(426, service, WERemoveProperty),
    KV_ROUTINE(427, service, WEGetUserInfo),
    KV_ROUTINE(428, service, WESetUserInfo),
    KV_ROUTINE(429, service, WERemoveUserInfo),
    KV_ROUTINE(430, service, WESetObjectDataHandle),
    KV_ROUTINE(431, service, WEGetObjectByIndex),
    // Metal windows.
    KV_ROUTINE(436, carbonevent, PdrawRTsetidlerBGproc),
    KV_ROUTINE(437, qdrect, PobjRTmetaleraserectproc),
    KV_ROUTINE(438, qdregion, PobjRTmetalerasergnproc),
    KV_ROUTINE(439, carbonevent, PdrawRTDrawMetalWindowControl),
    KV_ROUTINE(440, plain, PxcmdRTcallback),  // the routine of slot 275
    // The system library's strings.
    KV_LIBRARY(441, strtok),
    KV_LIBRARY(442, strlen),
    KV_LIBRARY(443, strcmp),
    KV_LIBRARY(444, strncmp),
    KV_LIBRARY(445, memcmp),
    KV_LIBRARY(446, strchr),
    KV_LIBRARY(447, strrchr),
    KV_LIBRARY(448, strstr),
    KV_LIBRARY(449, strcpy),
    KV_LIBRARY(450, strpbrk),
    KV_ROUTINE(451, carbonevent, PeditRTHandleDiskEvent),
    KV_ROUTINE(453, service, WEInsertFormattedText),
};

#undef KV_ROUTINE
#undef KV_UNBUILT
#undef KV_LIBRARY

constexpr bool rowsinorder() {
  i16 last = -1;
  for (const ProcRow& r : kRows) {
    if (r.slot <= last || r.slot >= kProcSlots) return false;
    last = r.slot;
  }
  return true;
}
static_assert(rowsinorder(), "one row per slot, in slot order, within 0-453");

// The row index of every slot (-1: empty).
constexpr std::array<i16, kProcSlots> kRowOf = [] {
  std::array<i16, kProcSlots> at{};
  at.fill(-1);
  for (std::size_t i = 0; i < std::size(kRows); ++i) at[std::size_t(kRows[i].slot)] = i16(i);
  return at;
}();

struct ProcTableState {
  std::array<u64, kProcSlots> slots{};
  bool filled = false;
};

ProcTableState& filledtable() {
  ProcTableState& s = state<ProcTableState>();
  if (!s.filled) {
    for (const ProcRow& r : kRows) s.slots[std::size_t(r.slot)] = r.address ? r.address() : 0;
    s.filled = true;
  }
  return s;
}

}  // namespace

std::span<const ProcRow> procrows() { return kRows; }

const ProcRow* procrow(i16 slot) {
  if (slot < 0 || slot >= kProcSlots) return nullptr;
  i16 at = kRowOf[std::size_t(slot)];
  return at < 0 ? nullptr : &kRows[at];
}

void initcarbonprocs() { filledtable(); }

u64 getproc(i16 n) {
  if (n < 0 || n >= kProcSlots) return 0;
  return filledtable().slots[std::size_t(n)];
}

}  // namespace kv
