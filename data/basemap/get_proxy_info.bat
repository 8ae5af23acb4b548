# get_proxy_info.bat: asks for the proxy settings. This package never goes online, so there is
# nothing to set.
exit 0
