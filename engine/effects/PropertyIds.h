// Property ids of effects, their layout and lifetime, the source proxy and the sources.
// The same numbers key the items of effect files. Property values travel as text: integers
// in decimal, flags as "1"/"0", colours as Windows colour references 0x00BBGGRR in decimal.
#pragma once

#include <cstdint>

// Effect identity and own settings.
constexpr int32_t PROP_EFFECT_NAME = 0;
constexpr int32_t PROP_EFFECT_CATEGORY = 1;
constexpr int32_t PROP_EFFECT_EXTRA = 3;
constexpr int32_t PROP_EFFECT_VERSION = 4;
constexpr int32_t PROP_EFFECT_APP_VERSION = 5;
constexpr int32_t PROP_EFFECT_KIND = 8;
constexpr int32_t PROP_EFFECT_THUMBNAIL = 10;  // file item only: the thumbnail's PNG bytes
constexpr int32_t PROP_EFFECT_SAVE_AS = 4124;
constexpr int32_t PROP_EFFECT_BLEND_MODE = 4138;
constexpr int32_t PROP_EFFECT_BACKGROUND = 4139;
constexpr int32_t PROP_EFFECT_FILE_PATH = 0x10000000;
constexpr int32_t PROP_EFFECT_MAKE_THUMBNAIL = 0x20000002;

// Background segmentation.
constexpr int32_t PROP_SEGMENT_ENABLE = 0x6000;
constexpr int32_t PROP_SEGMENT_READY = 0x6001;
constexpr int32_t PROP_SEGMENT_METHOD = 0x6002;
constexpr int32_t PROP_SEGMENT_CAPTURE = 0x6003;
constexpr int32_t PROP_SEGMENT_KEY_X = 0x6004;
constexpr int32_t PROP_SEGMENT_KEY_Y = 0x6005;
constexpr int32_t PROP_SEGMENT_THRESHOLD = 0x6007;

// Layout.
constexpr int32_t PROP_LAYOUT_WIDTH = 4097;
constexpr int32_t PROP_LAYOUT_HEIGHT = 4098;
constexpr int32_t PROP_LAYOUT_X = 4100;
constexpr int32_t PROP_LAYOUT_Y = 4101;
constexpr int32_t PROP_LAYOUT_X_MODE = 4106;
constexpr int32_t PROP_LAYOUT_Y_MODE = 4107;
constexpr int32_t PROP_LAYOUT_FACE_ATTACH = 4110;
constexpr int32_t PROP_LAYOUT_FACE_SCALE = 4111;
constexpr int32_t PROP_LAYOUT_WIDTH_MODE = 4115;
constexpr int32_t PROP_LAYOUT_HEIGHT_MODE = 4116;
constexpr int32_t PROP_LAYOUT_SHOW_WITHOUT_FACE = 4118;
constexpr int32_t PROP_LAYOUT_PRESET = 4125;
constexpr int32_t PROP_LAYOUT_KEEP_ASPECT = 4126;
constexpr int32_t PROP_LAYOUT_TEXT_FIT = 4137;
constexpr int32_t PROP_LAYOUT_QUARTER_RECT = 0x20000000;
constexpr int32_t PROP_LAYOUT_FULL_RECT = 0x20000001;

// Lifetime.
constexpr int32_t PROP_LIFETIME_MODE = 12;
constexpr int32_t PROP_LIFETIME_DURATION = 13;
constexpr int32_t PROP_LIFETIME_TRANSITION = 4104;

// Source proxy.
constexpr int32_t PROP_LEGACY_KIND = 6;        // file item only
constexpr int32_t PROP_LEGACY_FLASH = 0x100D;  // file item only
constexpr int32_t PROP_SOURCE_TYPE = 0x1015;

// Colour source.
constexpr int32_t PROP_COLOR_VALUE = 0x1010;

// Camera source.
constexpr int32_t PROP_CAMERA_DEVICE = 0x1011;
constexpr int32_t PROP_CAMERA_SHOW_SETTINGS = 0x1017;
constexpr int32_t PROP_CAMERA_ZOOM = 0x1025;
constexpr int32_t PROP_CAMERA_PAN_X = 0x1026;
constexpr int32_t PROP_CAMERA_PAN_Y = 0x1027;
constexpr int32_t PROP_CAMERA_RESET_VIEW = 0x1028;

// Video source: the file path; file item only.
constexpr int32_t PROP_VIDEO_PATH = 0x1012;

// Screen source.
constexpr int32_t PROP_SCREEN_MODE = 0x4000;
constexpr int32_t PROP_SCREEN_CURSOR = 0x4001;
constexpr int32_t PROP_SCREEN_LEFT = 0x4003;
constexpr int32_t PROP_SCREEN_TOP = 0x4004;
constexpr int32_t PROP_SCREEN_WIDTH = 0x4005;
constexpr int32_t PROP_SCREEN_HEIGHT = 0x4006;
constexpr int32_t PROP_SCREEN_WINDOW = 0x4007;
constexpr int32_t PROP_SCREEN_FRAME_DIVIDER = 0x4008;

// Text source.
constexpr int32_t PROP_TEXT = 0x3000;
constexpr int32_t PROP_TEXT_FONT = 0x3001;
constexpr int32_t PROP_TEXT_SIZE = 0x3002;
constexpr int32_t PROP_TEXT_COLOR = 0x3003;
constexpr int32_t PROP_TEXT_SHADOW_COLOR = 0x3004;
constexpr int32_t PROP_TEXT_BOX_COLOR = 0x3005;
constexpr int32_t PROP_TEXT_BORDER_COLOR = 0x3006;
constexpr int32_t PROP_TEXT_TRANSPARENCY = 0x3007;

// Media bytes kept by an element (the picture of an image source); file item only.
constexpr int32_t PROP_MEDIA_DATA = 0x1000;

// Image source.
constexpr int32_t PROP_IMAGE_FRAME_COUNT = 0x1003;
constexpr int32_t PROP_IMAGE_FRAME_DELAYS = 0x1009;
constexpr int32_t PROP_IMAGE_LOADED = 0x101A;
constexpr int32_t PROP_IMAGE_LOAD = 0x101B;

// Flash source: the size of the kept movie (setting it changes nothing), and the movie's
// path.
constexpr int32_t PROP_FLASH_IGNORED = 0x1018;
constexpr int32_t PROP_FLASH_PATH = 0x1019;

// Drawing board.
constexpr int32_t PROP_BOARD_COLOR = 0x101F;
constexpr int32_t PROP_BOARD_TOOL = 0x1020;
constexpr int32_t PROP_BOARD_PEN_SIZE = 0x1021;
constexpr int32_t PROP_BOARD_CLEAR = 0x1022;
constexpr int32_t PROP_BOARD_UNDO = 0x1023;
constexpr int32_t PROP_BOARD_REDO = 0x1024;

// Playlist and player (the main source when it plays a playlist).
constexpr int32_t PROP_PLAYLIST_SAVED_ITEMS = 0x5000;  // file item only: the items, no index
constexpr int32_t PROP_PLAYLIST_LOOP = 0x5001;
constexpr int32_t PROP_PLAYLIST_ITEMS = 0x5003;
constexpr int32_t PROP_PLAYLIST_INDEX = 0x5004;
constexpr int32_t PROP_PLAYLIST_ADD = 0x5005;
constexpr int32_t PROP_PLAYLIST_MOVE = 0x5006;
constexpr int32_t PROP_PLAYLIST_REMOVE = 0x5007;
constexpr int32_t PROP_PLAYER_PLAY = 0x5008;
constexpr int32_t PROP_PLAYER_PAUSE = 0x5009;
constexpr int32_t PROP_PLAYLIST_PREVIOUS = 0x500A;
constexpr int32_t PROP_PLAYLIST_NEXT = 0x500B;
constexpr int32_t PROP_PLAYER_MUTE = 0x500C;
constexpr int32_t PROP_PLAYER_VOLUME = 0x500D;
constexpr int32_t PROP_PLAYLIST_IMAGE_SECONDS = 0x500E;
constexpr int32_t PROP_PLAYLIST_STORED_FLAG = 0x500F;
constexpr int32_t PROP_PLAYLIST_STORED_TEXT = 0x5010;
constexpr int32_t PROP_PLAYLIST_LOOP_ONE = 0x5011;
constexpr int32_t PROP_PLAYLIST_LOOP_ALL = 0x5012;
constexpr int32_t PROP_PLAYER_STOP = 0x5013;
constexpr int32_t PROP_PLAYER_POSITION = 0x10000001;

// Pixel filters.
constexpr int32_t PROP_COLOR_MATRIX = 0x2000;
constexpr int32_t PROP_WARP_MODE = 0x2001;
constexpr int32_t PROP_WARP_PARAM1 = 0x2002;
constexpr int32_t PROP_WARP_PARAM2 = 0x2003;
constexpr int32_t PROP_FIRE_HOT_COLOR = 0x2004;
constexpr int32_t PROP_MOSAIC_BLOCK = 0x2005;
constexpr int32_t PROP_EMBOSS_LIGHT_COLOR = 0x2006;
constexpr int32_t PROP_EMBOSS_SHADOW_COLOR = 0x2007;
constexpr int32_t PROP_EMBOSS_BASE_COLOR = 0x2008;
constexpr int32_t PROP_EMBOSS_DIRECTION = 0x2009;
constexpr int32_t PROP_RIPPLE_RATE = 0x200A;
constexpr int32_t PROP_RIPPLE_RADIUS = 0x200B;
constexpr int32_t PROP_SNOW_COLOR = 0x200C;
constexpr int32_t PROP_SNOW_RATE = 0x200D;
constexpr int32_t PROP_TRAIL_LENGTH = 0x200E;
constexpr int32_t PROP_FIRE_COOL_COLOR = 0x200F;
constexpr int32_t PROP_SHAKE_X = 0x2010;
constexpr int32_t PROP_SHAKE_Y = 0x2011;
constexpr int32_t PROP_EDGE_COLOR = 0x2012;
constexpr int32_t PROP_EDGE_BACKGROUND = 0x2013;
constexpr int32_t PROP_FIRE_BACKGROUND = 0x2015;
