################################################################################
#
# management-v2: example Buildroot package, not built here (no Buildroot tree
# on the build machine). Adjust the source and the library package's name.
#
################################################################################

MANAGEMENT_V2_VERSION = 2.1.0
MANAGEMENT_V2_SITE = $(BR2_EXTERNAL_SWITCH_PATH)/../management-v2
MANAGEMENT_V2_SITE_METHOD = local
MANAGEMENT_V2_DEPENDENCIES = cjson librpcclt
MANAGEMENT_V2_CONF_OPTS = \
	-DMGMT_USE_REAL_RPCCLT=ON \
	-DRPCCLT_ROOT=$(STAGING_DIR) \
	-DMGMT_LINK_MODE=static-runtime \
	-DMGMT_BUILD_TESTS=OFF \
	-DMGMT_FASTCGI=OFF

ifeq ($(BR2_PACKAGE_LINUX_PAM),y)
MANAGEMENT_V2_DEPENDENCIES += linux-pam
MANAGEMENT_V2_CONF_OPTS += -DMGMT_BUILD_LOGIN=ON
else
MANAGEMENT_V2_CONF_OPTS += -DMGMT_BUILD_LOGIN=OFF
endif

# cmake --install into the target root; Buildroot strips the programs itself.
MANAGEMENT_V2_INSTALL_TARGET_OPTS = DESTDIR=$(TARGET_DIR) install

# The login program: set-group-ID shadow in a folder for the server account
# (uid/gid numbers: 33 www-data, 42 shadow as on Debian; use the image's).
define MANAGEMENT_V2_PERMISSIONS
	/usr/lib/management_v2/login d 0750 33 0 - - - - -
	/usr/lib/management_v2/login/login_v2.cgi f 2755 0 42 - - - - -
endef

define MANAGEMENT_V2_INSTALL_INIT_SYSV
	$(INSTALL) -D -m 0755 $(MANAGEMENT_V2_PKGDIR)/S49management-v2 \
		$(TARGET_DIR)/etc/init.d/S49management-v2
endef

$(eval $(cmake-package))
