// SPDX-License-Identifier: GPL-2.0
/*
 * kcard control device: the one channel between the card and the program
 * that plays its hardware. Events queue up while the device is open and are
 * read one per read(); commands come one per write() and are dispatched to
 * the frontends, the demuxes and the CI slot.
 */

#include <linux/fs.h>
#include <linux/mm.h>
#include <linux/module.h>
#include <linux/platform_device.h>
#include <linux/poll.h>
#include <linux/slab.h>
#include <linux/timekeeping.h>
#include <linux/uaccess.h>

#include "kcard.h"

/* what the queue may hold before events are counted as lost */
#define MAX_EVENTS	8192
#define MAX_EV_BYTES	(4 * 1024 * 1024)

struct kcard_event {
	struct list_head node;
	struct kcard_msg msg;
	u8 data[];
};

/* a read copies the header and its payload in one piece */
static_assert(offsetof(struct kcard_event, data) ==
	      offsetof(struct kcard_event, msg) + sizeof(struct kcard_msg));

static struct kcard_event *event_new(u16 type, u8 unit, u8 flags,
				     const void *data, u32 len)
{
	struct kcard_event *ev = kvmalloc(struct_size(ev, data, len), GFP_KERNEL);

	if (!ev)
		return NULL;
	ev->msg = (struct kcard_msg){ .type = type, .unit = unit,
				      .flags = flags, .len = len,
				      .time_ns = ktime_get_boottime_ns() };
	if (len)
		memcpy(ev->data, data, len);
	return ev;
}

static bool queue_event(struct kcard_ctl *ctl, struct kcard_event *ev)
{
	if (ctl->count >= MAX_EVENTS || ctl->bytes + ev->msg.len > MAX_EV_BYTES)
		return false;
	list_add_tail(&ev->node, &ctl->events);
	ctl->count++;
	ctl->bytes += ev->msg.len;
	return true;
}

static void free_events(struct list_head *list)
{
	struct kcard_event *ev, *tmp;

	list_for_each_entry_safe(ev, tmp, list, node) {
		list_del(&ev->node);
		kvfree(ev);
	}
}

/*
 * Queues one event for the listener. Returns 0 when queued, -ENOTCONN when
 * nobody listens and -ENOBUFS when it was lost (counted and reported to the
 * listener at its place in the stream). Process context only.
 */
int kcard_emit(struct kcard *kc, u16 type, u8 unit, const void *data, u32 len)
{
	struct kcard_ctl *ctl = &kc->ctl;
	struct kcard_event *ev, *gap = NULL;
	u32 lost;
	int ret = 0;

	if (kcard_trace)
		dev_info(&kc->pdev->dev, "event %#x unit %u: %*ph\n", type, unit,
			 min_t(u32, len, 32), data);
	if (!READ_ONCE(ctl->listening))
		return -ENOTCONN;

	ev = event_new(type, unit, 0, data, len);
	/* the count is filled in under the lock, where it is final */
	lost = READ_ONCE(ctl->lost);
	if (lost)
		gap = event_new(KCARD_EV_LOST, 0, 0, &lost, sizeof(lost));
	spin_lock(&ctl->lock);
	if (!ctl->listening) {
		ret = -ENOTCONN;
		goto out;
	}
	/* a gap in the events is reported where it happened */
	if (ctl->lost && gap) {
		memcpy(gap->data, &ctl->lost, sizeof(ctl->lost));
		if (queue_event(ctl, gap)) {
			ctl->lost = 0;
			gap = NULL;
		}
	}
	if (ev && !ctl->lost && queue_event(ctl, ev)) {
		ev = NULL;
	} else {
		ctl->lost++;
		ret = -ENOBUFS;
	}
out:
	spin_unlock(&ctl->lock);
	kvfree(ev);
	kvfree(gap);
	wake_up_interruptible(&ctl->wait);
	return ret;
}

int kcard_emit_u32(struct kcard *kc, u16 type, u8 unit, u32 value)
{
	return kcard_emit(kc, type, unit, &value, sizeof(value));
}

/*
 * Adds a restated request to the list being built at open, which goes
 * ahead of everything queued meanwhile.
 */
static struct list_head *opening;

int kcard_replay(struct kcard *kc, u16 type, u8 unit, const void *data,
		 u32 len)
{
	struct kcard_event *ev = event_new(type, unit, KCARD_MSG_REPLAY, data,
					   len);

	if (!ev)
		return -ENOMEM;
	list_add_tail(&ev->node, opening);
	return 0;
}

/* The hello event, then what is still in force from before the open. */
static int greet(struct kcard *kc, struct list_head *list)
{
	struct kcard_hello hello = {
		.version = KCARD_VERSION,
		.layout = kc->layout,
		.tuners = KCARD_TUNERS,
		.ca_adapter = kc->adapter[0].num,
		.bus_timeout_ms = KCARD_BUS_TIMEOUT_MS,
	};
	struct kcard_tune tunes[KCARD_TUNERS];
	struct kcard_event *ev;
	int i, ret = 0;

	down_read(&kc->state);
	for (i = 0; i < KCARD_TUNERS; i++)
		kcard_fe_snapshot(kc, i, &hello.tuner[i], &tunes[i]);
	if (!kc->gone)
		kcard_ci_snapshot(kc, &hello);
	ev = event_new(KCARD_EV_HELLO, 0, 0, &hello, sizeof(hello));
	if (!ev) {
		ret = -ENOMEM;
		goto out;
	}
	list_add_tail(&ev->node, list);
	if (kc->gone) {
		ev = event_new(KCARD_EV_UNPLUGGED, 0, 0, NULL, 0);
		if (ev)
			list_add_tail(&ev->node, list);
		goto out;
	}
	opening = list;
	for (i = 0; i < KCARD_TUNERS && !ret; i++) {
		if (hello.tuner[i].tune_id)
			ret = kcard_replay(kc, KCARD_EV_TUNE, i, &tunes[i],
					   sizeof(tunes[i]));
		kcard_dmx_replay_feeds(kc, i);
	}
	opening = NULL;
out:
	up_read(&kc->state);
	return ret;
}

static int ctl_open(struct inode *inode, struct file *file)
{
	struct kcard *kc = container_of(file->private_data, struct kcard,
					ctl.misc);
	struct kcard_ctl *ctl = &kc->ctl;
	struct kcard_event *ev;
	LIST_HEAD(first);
	LIST_HEAD(stale);
	int ret;

	spin_lock(&ctl->lock);
	if (ctl->listening) {
		spin_unlock(&ctl->lock);
		return -EBUSY;
	}
	list_splice_init(&ctl->events, &stale);
	ctl->count = 0;
	ctl->bytes = 0;
	ctl->lost = 0;
	ctl->greeted = false;
	/* listen before the snapshot, so nothing falls between the two */
	WRITE_ONCE(ctl->listening, true);
	spin_unlock(&ctl->lock);
	free_events(&stale);

	ret = greet(kc, &first);
	if (ret) {
		spin_lock(&ctl->lock);
		WRITE_ONCE(ctl->listening, false);
		list_splice_init(&ctl->events, &stale);
		spin_unlock(&ctl->lock);
		free_events(&stale);
		free_events(&first);
		return ret;
	}
	spin_lock(&ctl->lock);
	list_for_each_entry(ev, &first, node) {
		ctl->count++;
		ctl->bytes += ev->msg.len;
	}
	list_splice(&first, &ctl->events);
	spin_unlock(&ctl->lock);
	file->private_data = kc;
	return nonseekable_open(inode, file);
}

static int ctl_release(struct inode *inode, struct file *file)
{
	struct kcard *kc = file->private_data;
	struct kcard_ctl *ctl = &kc->ctl;
	LIST_HEAD(stale);
	int i;

	spin_lock(&ctl->lock);
	WRITE_ONCE(ctl->listening, false);
	list_splice_init(&ctl->events, &stale);
	ctl->count = 0;
	ctl->bytes = 0;
	ctl->lost = 0;
	spin_unlock(&ctl->lock);
	free_events(&stale);
	/* nobody will answer a bus message in flight any more */
	for (i = 0; i < KCARD_TUNERS; i++)
		wake_up(&kc->fe[i].bus_wait);
	return 0;
}

static bool readable(struct kcard_ctl *ctl)
{
	bool ready;

	spin_lock(&ctl->lock);
	ready = !list_empty(&ctl->events) || ctl->lost;
	spin_unlock(&ctl->lock);
	return ready;
}

/* Takes the next event off the queue, or a report of the events lost. */
static struct kcard_event *next_event(struct kcard_ctl *ctl, size_t room)
{
	struct kcard_event *ev;
	u32 lost;

	spin_lock(&ctl->lock);
	if (list_empty(&ctl->events)) {
		lost = ctl->lost;
		ctl->lost = 0;
		spin_unlock(&ctl->lock);
		ev = event_new(KCARD_EV_LOST, 0, 0, &lost, sizeof(lost));
		if (!ev) {
			spin_lock(&ctl->lock);
			ctl->lost += lost;
			spin_unlock(&ctl->lock);
			return ERR_PTR(-ENOMEM);
		}
		return ev;
	}
	ev = list_first_entry(&ctl->events, struct kcard_event, node);
	if (room < sizeof(ev->msg) + ev->msg.len) {
		spin_unlock(&ctl->lock);
		return ERR_PTR(-EMSGSIZE);
	}
	list_del(&ev->node);
	ctl->count--;
	ctl->bytes -= ev->msg.len;
	spin_unlock(&ctl->lock);
	return ev;
}

/* Puts an event taken by next_event() back at the head of the queue. */
static void unread_event(struct kcard_ctl *ctl, struct kcard_event *ev)
{
	spin_lock(&ctl->lock);
	list_add(&ev->node, &ctl->events);
	ctl->count++;
	ctl->bytes += ev->msg.len;
	spin_unlock(&ctl->lock);
}

static ssize_t ctl_read(struct file *file, char __user *buf, size_t count,
			loff_t *ppos)
{
	struct kcard_ctl *ctl = &((struct kcard *)file->private_data)->ctl;
	struct kcard_event *ev;
	ssize_t ret;

	if (count < sizeof(struct kcard_msg) + sizeof(u32))
		return -EMSGSIZE;
	if (mutex_lock_interruptible(&ctl->read_mutex))
		return -ERESTARTSYS;
	while (!readable(ctl)) {
		mutex_unlock(&ctl->read_mutex);
		if (file->f_flags & O_NONBLOCK)
			return -EAGAIN;
		if (wait_event_interruptible(ctl->wait, readable(ctl)))
			return -ERESTARTSYS;
		if (mutex_lock_interruptible(&ctl->read_mutex))
			return -ERESTARTSYS;
	}
	ev = next_event(ctl, count);
	if (IS_ERR(ev)) {
		mutex_unlock(&ctl->read_mutex);
		return PTR_ERR(ev);
	}
	ret = sizeof(ev->msg) + ev->msg.len;
	if (copy_to_user(buf, &ev->msg, ret)) {
		/* the reader's next try gets it, still first in line */
		unread_event(ctl, ev);
		ret = -EFAULT;
	} else {
		kvfree(ev);
	}
	mutex_unlock(&ctl->read_mutex);
	return ret;
}

static int hello(struct kcard *kc, const struct kcard_msg *msg, const u8 *data)
{
	u32 version;

	if (msg->len != sizeof(version))
		return -EINVAL;
	memcpy(&version, data, sizeof(version));
	if (version != KCARD_VERSION)
		return -EPROTONOSUPPORT;
	spin_lock(&kc->ctl.lock);
	kc->ctl.greeted = true;
	spin_unlock(&kc->ctl.lock);
	return 0;
}

static int unplug(struct kcard *kc)
{
	int i;

	down_write(&kc->state);
	if (kc->gone) {
		up_write(&kc->state);
		return -ENODEV;
	}
	kc->gone = true;
	/* from here on its devices answer ENODEV, as a pulled card's do */
	for (i = 0; i < KCARD_TUNERS; i++) {
		kcard_fe_remove(kc, i);
		kcard_dmx_remove(kc, i);
	}
	kcard_ci_remove(kc);
	up_write(&kc->state);
	dev_info(&kc->pdev->dev, "card unplugged\n");
	kcard_emit(kc, KCARD_EV_UNPLUGGED, 0, NULL, 0);
	/*
	 * The devices go in the background: dvb-core waits for their users,
	 * which may take them as long as they like.
	 */
	queue_work(kc->unplug_wq, &kc->unplug_work);
	return 0;
}

static bool fixed_size(const struct kcard_msg *msg, size_t size)
{
	return msg->len == size && msg->unit < KCARD_TUNERS;
}

/* One command of a listener that said hello, with the card still there. */
static int dispatch(struct kcard *kc, const struct kcard_msg *msg, u8 *data)
{
	switch (msg->type) {
	case KCARD_CMD_SIGNAL:
		if (!fixed_size(msg, sizeof(struct kcard_signal)))
			return -EINVAL;
		return kcard_fe_signal(kc, msg->unit, (void *)data);
	case KCARD_CMD_BUS_DONE:
		if (!fixed_size(msg, sizeof(struct kcard_bus_done)))
			return -EINVAL;
		return kcard_fe_bus_done(kc, msg->unit, (void *)data);
	case KCARD_CMD_TS:
		return kcard_dmx_tuner_ts(kc, msg->unit, data, msg->len);
	case KCARD_CMD_CAM_TS:
		return kcard_dmx_cam_ts(kc, msg->unit, data, msg->len);
	case KCARD_CMD_CAM_DATA:
		return kcard_ci_answer(kc, msg->unit, data, msg->len);
	case KCARD_CMD_CAM_PRESENT:
		if (msg->len != sizeof(u32))
			return -EINVAL;
		return kcard_ci_set_present(kc, msg->unit, *(u32 *)data != 0);
	default:
		return -EINVAL;
	}
}

static ssize_t ctl_write(struct file *file, const char __user *buf,
			 size_t count, loff_t *ppos)
{
	struct kcard *kc = file->private_data;
	struct kcard_msg msg;
	u8 *data;
	int ret;

	if (count < sizeof(msg))
		return -EINVAL;
	if (copy_from_user(&msg, buf, sizeof(msg)))
		return -EFAULT;
	if (msg.len > KCARD_MAX_PAYLOAD || msg.len != count - sizeof(msg))
		return -EINVAL;
	data = vmemdup_user(buf + sizeof(msg), msg.len);
	if (IS_ERR(data))
		return PTR_ERR(data);

	if (msg.type == KCARD_CMD_HELLO) {
		ret = hello(kc, &msg, data);
	} else if (!READ_ONCE(kc->ctl.greeted)) {
		ret = -EPROTO;
	} else if (msg.type == KCARD_CMD_UNPLUG) {
		ret = msg.len ? -EINVAL : unplug(kc);
	} else {
		down_read(&kc->state);
		ret = kc->gone ? -ENODEV : dispatch(kc, &msg, data);
		up_read(&kc->state);
	}
	kvfree(data);
	return ret ? ret : count;
}

static __poll_t ctl_poll(struct file *file, poll_table *wait)
{
	struct kcard_ctl *ctl = &((struct kcard *)file->private_data)->ctl;

	poll_wait(file, &ctl->wait, wait);
	return (readable(ctl) ? EPOLLIN | EPOLLRDNORM : 0) |
	       EPOLLOUT | EPOLLWRNORM;
}

static const struct file_operations ctl_fops = {
	.owner = THIS_MODULE,
	.open = ctl_open,
	.release = ctl_release,
	.read = ctl_read,
	.write = ctl_write,
	.poll = ctl_poll,
	.llseek = no_llseek,
};

int kcard_ctl_register(struct kcard *kc)
{
	struct kcard_ctl *ctl = &kc->ctl;

	spin_lock_init(&ctl->lock);
	INIT_LIST_HEAD(&ctl->events);
	init_waitqueue_head(&ctl->wait);
	mutex_init(&ctl->read_mutex);
	ctl->misc.minor = MISC_DYNAMIC_MINOR;
	ctl->misc.name = "kcard";
	ctl->misc.fops = &ctl_fops;
	ctl->misc.mode = 0600;
	return misc_register(&ctl->misc);
}

/* The device cannot be open here: an open one holds the module. */
void kcard_ctl_unregister(struct kcard *kc)
{
	misc_deregister(&kc->ctl.misc);
	free_events(&kc->ctl.events);
}
